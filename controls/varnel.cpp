#include "controls/varnel.h"

#include "controls/cfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QResource>
#include <QSet>

namespace Varnel {

namespace {

const char kSheetDir[] = "/Varnel/Qss/";

// Canonical paths of the files registered so far; registering one file twice
// would stack two copies of its tree in the resource system.
QSet<QString> &registeredFiles()
{
    static QSet<QString> files;
    return files;
}

// The sheet that the file itself holds, whatever else is registered: the
// file is mapped once more under a private root just for reading it.
QString sheetOfFile(const QString &file)
{
    static int s_probe = 0;
    const QString root = QStringLiteral("/varnel-probe-%1").arg(++s_probe);
    if (!QResource::registerResource(file, root))
        return QString();
    const QString dir = QLatin1Char(':') + root + QLatin1String(kSheetDir);
    const QStringList names =
        QDir(dir).entryList({QStringLiteral("*.qss")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    const QString sheet = CFile::ReadAll(names, dir);
    QResource::unregisterResource(file, root);
    return sheet;
}

} // namespace

bool InitResource(const QString &rccPath, QString &styleSheet, bool append)
{
    const QFileInfo info(rccPath);
    if (rccPath.isEmpty() || !info.isFile())
        return false;

    const QString file = info.canonicalFilePath();
    const QString sheet = sheetOfFile(file);
    if (sheet.trimmed().isEmpty())
        return false;

    // The rest of the file (images the sheet names) stays reachable under
    // its own paths.
    if (!registeredFiles().contains(file)) {
        if (!QResource::registerResource(file))
            return false;
        registeredFiles().insert(file);
    }

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
