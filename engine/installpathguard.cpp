#include "engine/installpathguard.h"

#include "platform/publicdesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace appinstaller {

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kCase = Qt::CaseSensitive;
#endif

QString cleaned(const QString &path)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

void addLocation(QStringList &list, const QString &path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return;
    const QString clean = cleaned(path);
    if (!list.contains(clean, kCase))
        list.append(clean);
    // A location reached through a link ("/var/run") is protected under its
    // real path as well.
    const QString canonical = QFileInfo(clean).canonicalFilePath();
    if (!canonical.isEmpty() && !list.contains(canonical, kCase))
        list.append(canonical);
}

#ifdef Q_OS_WIN
void addEnvironmentLocation(QStringList &list, const char *name)
{
    addLocation(list, qEnvironmentVariable(name));
}

// "C:/", "//server" or "//server/share": the roots of a path.
bool isRoot(const QString &path)
{
    if (path.size() <= 3 && path.size() >= 2 && path.at(1) == QLatin1Char(':'))
        return true;
    if (path == QLatin1String("/"))
        return true;
    if (path.startsWith(QLatin1String("//"))) {
        const QStringList parts = path.mid(2).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        return parts.size() <= 2;
    }
    return false;
}
#else
bool isRoot(const QString &path)
{
    return path == QLatin1String("/");
}
#endif

} // namespace

QStringList InstallPathGuard::protectedLocations()
{
    QStringList list;

    const QString home = QDir::homePath();
    addLocation(list, home);
    // The folder that holds the users' home folders.
    addLocation(list, QFileInfo(cleaned(home)).path());

    const QStandardPaths::StandardLocation standard[] = {
        QStandardPaths::HomeLocation,          QStandardPaths::DesktopLocation,
        QStandardPaths::DocumentsLocation,     QStandardPaths::DownloadLocation,
        QStandardPaths::MusicLocation,         QStandardPaths::PicturesLocation,
        QStandardPaths::MoviesLocation,        QStandardPaths::ApplicationsLocation,
        QStandardPaths::FontsLocation,         QStandardPaths::TempLocation,
        QStandardPaths::GenericDataLocation,   QStandardPaths::GenericConfigLocation,
        QStandardPaths::GenericCacheLocation,  QStandardPaths::ConfigLocation,
        QStandardPaths::AppDataLocation,       QStandardPaths::AppLocalDataLocation,
    };
    for (QStandardPaths::StandardLocation location : standard)
        addLocation(list, QStandardPaths::writableLocation(location));

    addLocation(list, platform::publicDesktopFolder());

#ifdef Q_OS_WIN
    const char *variables[] = {
        "SystemDrive", "SystemRoot", "windir", "ProgramFiles", "ProgramFiles(x86)",
        "ProgramW6432", "CommonProgramFiles", "CommonProgramFiles(x86)", "ProgramData",
        "ALLUSERSPROFILE", "PUBLIC", "APPDATA", "LOCALAPPDATA", "USERPROFILE", "TEMP", "TMP",
    };
    for (const char *variable : variables)
        addEnvironmentLocation(list, variable);
    const char *fixed[] = {
        "C:/Windows", "C:/Program Files", "C:/Program Files (x86)", "C:/ProgramData",
        "C:/Users", "C:/Users/Public", "C:/Users/Public/Desktop",
    };
    for (const char *path : fixed)
        addLocation(list, QString::fromLatin1(path));
#else
    const char *system[] = {
        "/bin", "/boot", "/dev", "/etc", "/home", "/lib", "/lib32", "/lib64", "/libx32",
        "/lost+found", "/media", "/mnt", "/opt", "/proc", "/root", "/run", "/sbin", "/snap",
        "/srv", "/sys", "/tmp", "/usr", "/var",
        "/usr/bin", "/usr/lib", "/usr/local", "/usr/sbin", "/usr/share", "/var/lib", "/var/tmp",
    };
    for (const char *path : system)
        addLocation(list, QString::fromLatin1(path));
#endif
    return list;
}

bool InstallPathGuard::coversProtected(const QString &path, const QStringList &locations)
{
    if (isRoot(path))
        return true;
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const QString &location : locations) {
        if (location.compare(path, kCase) == 0 || location.startsWith(prefix, kCase))
            return true;
    }
    return false;
}

InstallPathGuard::Verdict InstallPathGuard::checkInstallPath(const QString &path, const QStringList &otherProducts)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return Verdict::Invalid;
    const QString absolute = QDir::fromNativeSeparators(path);
    if (!QDir::isAbsolutePath(absolute))
        return Verdict::Invalid;
#ifdef Q_OS_WIN
    // "/x" names a folder on whichever drive is current: not a path one can vouch for.
    if (!absolute.startsWith(QLatin1String("//")) && !(absolute.size() > 1 && absolute.at(1) == QLatin1Char(':')))
        return Verdict::Invalid;
#endif
    const QString clean = cleaned(absolute);
    // cleanPath keeps ".." that would climb above the root.
    if (clean.contains(QLatin1String("/../")) || clean.endsWith(QLatin1String("/..")))
        return Verdict::Invalid;

    QStringList locations = protectedLocations();
    for (const QString &other : otherProducts)
        addLocation(locations, QDir::fromNativeSeparators(other));
    if (coversProtected(clean, locations))
        return Verdict::Protected;

    // The same test with the links of the parent folders resolved, so that a
    // path through a link to "/" or to the home folder is caught too. The last
    // component is kept: a link there is removed as a link.
    const QFileInfo info(clean);
    const QString parent = QFileInfo(info.path()).canonicalFilePath();
    if (!parent.isEmpty()) {
        const QString resolved = cleaned(parent + QLatin1Char('/') + info.fileName());
        if (coversProtected(resolved, locations))
            return Verdict::Protected;
    }
    // An installer records the folder it made, never a way up from another
    // one: "Programs/Other/.." names the folder that holds both products.
    if (absolute.split(QLatin1Char('/')).contains(QLatin1String("..")))
        return Verdict::Invalid;
    return Verdict::Allowed;
}

bool InstallPathGuard::isPlainName(const QString &name)
{
    if (name.isEmpty())
        return false;
    bool onlyDots = true;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() == 0)
            return false;
#ifdef Q_OS_WIN
        if (c == QLatin1Char(':'))
            return false;
#endif
        if (c != QLatin1Char('.') && c != QLatin1Char(' '))
            onlyDots = false;
    }
    return !onlyDots;
}

} // namespace appinstaller
