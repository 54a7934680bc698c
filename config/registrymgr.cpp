#include "config/registrymgr.h"

#include "config/appconfig.h"
#include "platform/registrystore.h"

#include <QSettings>
#include <QVariant>

namespace appinstaller {

namespace {

QByteArray configuredGuid()
{
    return Base::CSingleton<AppConfig>::instance()->getGuid();
}

} // namespace

QByteArray RegistryMgr::uninstallKeyRoot()
{
    return QByteArrayLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
}

QString RegistryMgr::keyPath(const QByteArray &guid)
{
    // A GUID without a name character (empty, or separators only) would
    // address the Uninstall key itself, which holds every product's entry.
    bool namesSomething = false;
    for (const char c : guid) {
        if (c != '\\' && c != '/') {
            namesSomething = true;
            break;
        }
    }
    if (!namesSomething)
        return QString();
    return QString::fromUtf8(QByteArrayLiteral("HKEY_CURRENT_USER\\") + uninstallKeyRoot() + guid);
}

bool RegistryMgr::hasEntry(const QByteArray &guid) const
{
    const QString path = keyPath(guid);
    if (path.isEmpty())
        return false;
    const auto settings = platform::openRegistryKey(path);
    return !settings->allKeys().isEmpty();
}

QByteArray RegistryMgr::readValue(const QByteArray &name, const QByteArray &guid) const
{
    const QString path = keyPath(guid);
    if (path.isEmpty())
        return QByteArray();
    const auto settings = platform::openRegistryKey(path);
    const QVariant value = settings->value(QString::fromUtf8(name), QVariant());
    if (!value.isValid())
        return QByteArray();
    return value.toString().toUtf8();
}

bool RegistryMgr::isInstalled() const
{
    return hasEntry(configuredGuid());
}

QByteArray RegistryMgr::getInstallPath() const
{
    if (!hasEntry(configuredGuid()))
        return QByteArray();
    return readValue(QByteArrayLiteral("installpath"), configuredGuid());
}

QStringList RegistryMgr::otherInstallPaths() const
{
    const QByteArray guid = configuredGuid();
    QByteArray root = QByteArrayLiteral("HKEY_CURRENT_USER\\") + uninstallKeyRoot();
    root.chop(1);
    QStringList paths;
    for (const QString &name : platform::registryChildKeys(QString::fromUtf8(root))) {
        if (name.toUtf8() == guid || name.isEmpty())
            continue;
        const auto settings = platform::openRegistryKey(QString::fromUtf8(root) + QLatin1Char('\\') + name);
        for (const char *value : {"installpath", "InstallLocation"}) {
            const QString path = settings->value(QLatin1String(value)).toString();
            if (!path.isEmpty() && !paths.contains(path))
                paths.append(path);
        }
    }
    return paths;
}

void RegistryMgr::clearUninstallEntry() const
{
    const QString path = keyPath(configuredGuid());
    if (path.isEmpty())
        return;
    const auto settings = platform::openRegistryKey(path);
    settings->clear();
}

} // namespace appinstaller
