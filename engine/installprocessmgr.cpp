#include "engine/installprocessmgr.h"

#include "config/appconfig.h"
#include "config/registrymgr.h"
#include "engine/installpathguard.h"
#include "engine/treeremover.h"
#include "platform/publicdesktop.h"
#include "platform/registrystore.h"

#include <QDir>
#include <QFile>
#include <QMetaType>
#include <QSettings>
#include <QStandardPaths>

namespace appinstaller {

namespace {

// Leftovers of one tree: the tree itself and its first entries that stayed.
constexpr int kMaxEntriesPerTree = 50;

void removeFile(const QString &path, LeftItems &left)
{
    QFile::remove(path);
    if (TreeRemover::isPresent(path))
        left.append(LeftItem{path, LeftItem::Reason::NotRemoved});
}

void removeFolder(const QString &path, LeftItems &left)
{
    TreeRemover remover(TreeRemover::Method::Native, kMaxEntriesPerTree);
    if (remover.remove(path))
        return;
    const QString top = QDir::toNativeSeparators(QDir::cleanPath(QDir::fromNativeSeparators(path)));
    left.append(LeftItem{top, LeftItem::Reason::NotRemoved});
    const QStringList entries = remover.failedEntries();
    for (const QString &raw : entries) {
        const QString entry = QDir::toNativeSeparators(raw);
        if (entry != top)
            left.append(LeftItem{entry, LeftItem::Reason::NotRemoved});
    }
}

// A product name as the installer used it in a file or folder name, or an
// empty text when it must not be used: an empty name is simply absent, an
// unsafe one is recorded once.
QString usableName(const QString &name, LeftItems &left)
{
    if (name.isEmpty())
        return QString();
    if (InstallPathGuard::isPlainName(name))
        return name;
    const LeftItem item{name, LeftItem::Reason::UnsafeName};
    if (!left.contains(item))
        left.append(item);
    return QString();
}

// True when the product's entry still holds values after it was cleared.
bool entryStillHeld(const RegistryMgr &registry)
{
    if (registry.isInstalled())
        return true;
    const QString keyPath = RegistryMgr::keyPath(Base::CSingleton<AppConfig>::instance()->getGuid());
    if (keyPath.isEmpty())
        return false;
    // A settings object keeps a clearing it could not write as pending, and
    // later objects on the same key read that pending state. Writing it out
    // again tells whether the store really took it.
    const auto settings = platform::openRegistryKey(keyPath);
    settings->sync();
    return settings->status() != QSettings::NoError;
}

} // namespace

InstallProcessMgr::InstallProcessMgr()
    : QObject(nullptr)
{
    // Leftovers travel to the interface by queued connection.
    qRegisterMetaType<appinstaller::LeftItem>("appinstaller::LeftItem");
    qRegisterMetaType<appinstaller::LeftItems>("appinstaller::LeftItems");
}

InstallProcessMgr::~InstallProcessMgr() = default;

void InstallProcessMgr::removeInstallFolder(const QString &path, LeftItems &left)
{
    // Another product's folder inside this one would go with it.
    const QStringList others = Base::CSingleton<RegistryMgr>::instance()->otherInstallPaths();
    switch (InstallPathGuard::checkInstallPath(path, others)) {
    case InstallPathGuard::Verdict::Invalid:
        left.append(LeftItem{path, LeftItem::Reason::InvalidPath});
        return;
    case InstallPathGuard::Verdict::Protected:
        left.append(LeftItem{path, LeftItem::Reason::ProtectedPath});
        return;
    case InstallPathGuard::Verdict::Allowed:
        break;
    }
    removeFolder(path, left);
}

void InstallProcessMgr::unInstall()
{
    LeftItems left;
    RegistryMgr *registry = Base::CSingleton<RegistryMgr>::instance();

    const QByteArray pathBytes = registry->getInstallPath();
    const int zero = pathBytes.indexOf('\0');
    const QString installPath = QString::fromUtf8(zero < 0 ? pathBytes : pathBytes.left(zero));

    emit signalProcess(0, QObject::tr("BeganToUnloadWkJrSaJaAq"));
    removeInstallFolder(installPath, left);

    emit signalProcess(30, QObject::tr("DeleteShortcutULXVgdVTs"));
    removeShortcuts(left);

    emit signalProcess(60, QObject::tr("ClearTheRegistryeuyqTkYHjj"));
    registry->clearUninstallEntry();
    if (entryStillHeld(*registry)) {
        left.append(LeftItem{RegistryMgr::keyPath(Base::CSingleton<AppConfig>::instance()->getGuid()),
                             LeftItem::Reason::NotRemoved});
    }

    emit signalLeftItems(left);
    emit signalProcess(100, QObject::tr("Uninstalled"));
}

void InstallProcessMgr::removeShortcuts()
{
    LeftItems left;
    removeShortcuts(left);
}

void InstallProcessMgr::removeShortcuts(LeftItems &left)
{
    const AppConfig *config = Base::CSingleton<AppConfig>::instance();
    const QString en = usableName(QString::fromUtf8(config->getSoftwareNameEN()), left);
    const QString ch = usableName(QString::fromLocal8Bit(config->getSoftwareNameCH()), left);

    // Without a folder the steps that use it are skipped: an empty folder
    // would turn each path into one at the top of the file system.
    const QString desktopFolder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString desk = desktopFolder.isEmpty()
        ? QString()
        : QDir::toNativeSeparators(desktopFolder + QLatin1Char('/'));
    const QString publicDesk = platform::publicDesktopFolder();
    const QString programs = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    const QString lnk = QStringLiteral(".lnk");

    auto file = [&left](const QString &folder, const QString &name) {
        if (!folder.isEmpty() && !name.isEmpty())
            removeFile(folder + name, left);
    };
    auto folder = [&left, &programs](const QString &name) {
        if (!programs.isEmpty() && !name.isEmpty())
            removeFolder(programs + QLatin1Char('/') + name + QLatin1Char('/'), left);
    };

    file(desk, en.isEmpty() ? QString() : en + lnk);
    file(desk, ch.isEmpty() ? QString() : ch + lnk);
    file(publicDesk, en.isEmpty() ? QString() : en + lnk);
    file(publicDesk, ch.isEmpty() ? QString() : ch + lnk);
    folder(en);
    folder(ch);
    file(desk, QString::fromLocal8Bit(QByteArrayLiteral("Orvessa.lnk")));
    file(desk, QString::fromLocal8Bit(QByteArrayLiteral("Mendaro.lnk")));
}

} // namespace appinstaller
