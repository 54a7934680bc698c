#include "controls/varnel.h"

#include "controls/cfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QResource>
#include <QSet>

namespace Varnel {

namespace {

QString sheetDir()
{
    return QStringLiteral(":/Varnel/Qss/");
}

// Canonical paths of the files registered so far; registering one file twice
// would stack two copies of its tree in the resource system.
QSet<QString> &registeredFiles()
{
    static QSet<QString> files;
    return files;
}

} // namespace

bool InitResource(const QString &rccPath, QString &styleSheet, bool append)
{
    const QFileInfo info(rccPath);
    if (rccPath.isEmpty() || !info.isFile())
        return false;

    const QString key = info.canonicalFilePath();
    if (!registeredFiles().contains(key)) {
        if (!QResource::registerResource(key))
            return false;
        registeredFiles().insert(key);
    }

    const QStringList names = QDir(sheetDir()).entryList({QStringLiteral("*.qss")}, QDir::Files,
                                                         QDir::Name | QDir::IgnoreCase);
    const QString sheet = CFile::ReadAll(names, sheetDir());
    if (sheet.trimmed().isEmpty())
        return false;

    if (append)
        styleSheet += sheet;
    else
        styleSheet = sheet;
    return true;
}

QString GetTargetPath()
{
    QString dir;
    if (QCoreApplication::instance()) {
        dir = QCoreApplication::applicationDirPath();
    } else {
#if defined(Q_OS_LINUX)
        // Before the application object exists Qt cannot tell; the kernel can.
        dir = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
#else
        dir = QDir::currentPath();
#endif
    }
    dir = QDir::fromNativeSeparators(dir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

} // namespace Varnel
