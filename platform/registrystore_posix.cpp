#include "platform/registrystore.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <QStringList>

namespace appinstaller {
namespace platform {

namespace {

// A name is used as a folder or file name only where it cannot climb out of
// the store or into another folder: '%' and '/' are always encoded, an empty
// or dots-only name entirely. The encoding is one-to-one, so distinct names
// stay distinct keys.
QString encodeName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("%");
    bool dotsOnly = true;
    for (const QChar c : name) {
        if (c != QLatin1Char('.')) {
            dotsOnly = false;
            break;
        }
    }
    QString encoded;
    encoded.reserve(name.size());
    for (const QChar c : name) {
        if (c == QLatin1Char('%'))
            encoded += QLatin1String("%25");
        else if (c == QLatin1Char('/'))
            encoded += QLatin1String("%2F");
        else if (c == QChar(0))
            encoded += QLatin1String("%00");
        else if (dotsOnly)
            encoded += QLatin1String("%2E");
        else
            encoded += c;
    }
    return encoded;
}

QString decodeName(const QString &encoded)
{
    if (encoded == QLatin1String("%"))
        return QString();
    return QUrl::fromPercentEncoding(encoded.toUtf8());
}

} // namespace

QString registryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QLatin1String("/appinstaller/registry");
}

QString registryKeyFile(const QString &keyPath)
{
    QString file = registryFolder();
    const QStringList names = keyPath.split(QLatin1Char('\\'));
    for (const QString &name : names)
        file += QLatin1Char('/') + encodeName(name);
    return file + QLatin1String(".ini");
}

QStringList registryChildKeys(const QString &keyPath)
{
    // A sub-key is a file "<name>.ini" beside the folder "<name>/" that holds
    // its own sub-keys; either may exist without the other.
    QString folder = registryKeyFile(keyPath);
    folder.chop(4);
    QStringList names;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo &entry : entries) {
        QString name = entry.fileName();
        if (entry.isFile()) {
            if (!name.endsWith(QLatin1String(".ini")))
                continue;
            name.chop(4);
        }
        name = decodeName(name);
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

std::unique_ptr<QSettings> openRegistryKey(const QString &keyPath)
{
    auto settings = std::make_unique<QSettings>(registryKeyFile(keyPath), QSettings::IniFormat);
    // Entries staged by hand are plain UTF-8 text.
    settings->setIniCodec("UTF-8");
    return settings;
}

} // namespace platform
} // namespace appinstaller
