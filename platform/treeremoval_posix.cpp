#include "platform/treeremoval.h"

#include <QByteArray>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace appinstaller {
namespace platform {

namespace {

struct Entry
{
    std::string name;
    unsigned char type;
};

class Remover
{
public:
    explicit Remover(const std::function<void(const QString &)> &failed)
        : m_failed(failed)
    {
    }

    bool removeTop(const QByteArray &path);

private:
    bool removeContents(int dirFd);
    bool removeNonDirectory(int dirFd, const char *name);
    bool retryWithWritePermission(int dirFd, const char *name);
    bool openDirectory(int dirFd, const char *name, int &fd, bool &isDirectory);
    static void makeWritable(int dirFd);
    void report(const char *name);

    const std::function<void(const QString &)> &m_failed;
    // The folder being emptied; only turned into text when something stays.
    std::string m_path;
};

void Remover::report(const char *name)
{
    if (!m_failed)
        return;
    std::string full = m_path;
    if (name) {
        if (full.empty() || full.back() != '/')
            full += '/';
        full += name;
    }
    m_failed(QFile::decodeName(QByteArray(full.data(), static_cast<int>(full.size()))));
}

bool Remover::retryWithWritePermission(int dirFd, const char *name)
{
    // Only a plain file, checked again on the open descriptor, gets its mode
    // changed: nothing reached through a link and no device is touched.
    struct stat before;
    if (::fstatat(dirFd, name, &before, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(before.st_mode)
        || (before.st_mode & S_IWUSR))
        return false;
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat opened;
    const bool same = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)
        && opened.st_ino == before.st_ino && opened.st_dev == before.st_dev;
    const bool changed = same && ::fchmod(fd, (opened.st_mode & 07777) | S_IWUSR) == 0;
    ::close(fd);
    return changed && ::unlinkat(dirFd, name, 0) == 0;
}

// A read-only folder keeps its entries from being unlinked here, though not
// on Windows, where the product comes from. The folder is about to go, so it
// is made writable first; the descriptor was opened without following links.
void Remover::makeWritable(int dirFd)
{
    struct stat st;
    constexpr mode_t needed = S_IWUSR | S_IXUSR;
    if (::fstat(dirFd, &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & needed) != needed)
        ::fchmod(dirFd, (st.st_mode & 07777) | needed);
}

bool Remover::removeNonDirectory(int dirFd, const char *name)
{
    if (::unlinkat(dirFd, name, 0) == 0 || errno == ENOENT)
        return true;
    if (retryWithWritePermission(dirFd, name))
        return true;
    report(name);
    return false;
}

// Opens name below dirFd as a folder without following a link. isDirectory
// turns false when the entry is not a folder (or is a link to one).
bool Remover::openDirectory(int dirFd, const char *name, int &fd, bool &isDirectory)
{
    fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    isDirectory = fd >= 0 || (errno != ELOOP && errno != ENOTDIR);
    return fd >= 0;
}

bool Remover::removeContents(int dirFd)
{
    DIR *dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        report(nullptr);
        return false;
    }

    // Read the whole folder before changing it.
    std::vector<Entry> entries;
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const char *n = entry->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        entries.push_back(Entry{n, entry->d_type});
    }
    bool ok = errno == 0;
    if (!ok)
        report(nullptr);
    if (!entries.empty())
        makeWritable(dirFd);

    for (const Entry &entry : entries) {
        const char *name = entry.name.c_str();
        bool isDirectory = entry.type == DT_DIR;
        if (entry.type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    continue;
                report(name);
                ok = false;
                continue;
            }
            isDirectory = S_ISDIR(st.st_mode);
        }
        if (!isDirectory) {
            ok = removeNonDirectory(dirFd, name) && ok;
            continue;
        }

        int childFd = -1;
        if (!openDirectory(dirFd, name, childFd, isDirectory)) {
            if (!isDirectory) {
                ok = removeNonDirectory(dirFd, name) && ok;
            } else if (errno != ENOENT) {
                report(name);
                ok = false;
            }
            continue;
        }

        const std::size_t length = m_path.size();
        if (m_path.empty() || m_path.back() != '/')
            m_path += '/';
        m_path += entry.name;
        const bool emptied = removeContents(childFd);
        m_path.resize(length);

        if (!emptied) {
            ok = false;
        } else if (::unlinkat(dirFd, name, AT_REMOVEDIR) != 0 && errno != ENOENT) {
            report(name);
            ok = false;
        }
    }

    ::closedir(dir);
    return ok;
}

bool Remover::removeTop(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return true;
        m_path.assign(path.constData(), static_cast<std::size_t>(path.size()));
        report(nullptr);
        return false;
    }

    m_path.assign(path.constData(), static_cast<std::size_t>(path.size()));
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(path.constData()) == 0 || errno == ENOENT)
            return true;
        if (retryWithWritePermission(AT_FDCWD, path.constData()))
            return true;
        report(nullptr);
        return false;
    }

    int fd = -1;
    bool isDirectory = true;
    if (!openDirectory(AT_FDCWD, path.constData(), fd, isDirectory)) {
        if (!isDirectory) {
            // Swapped for a link or a file since it was looked at.
            if (::unlink(path.constData()) == 0 || errno == ENOENT)
                return true;
        } else if (errno == ENOENT) {
            return true;
        }
        report(nullptr);
        return false;
    }

    if (!removeContents(fd))
        return false;
    if (::rmdir(path.constData()) == 0 || errno == ENOENT)
        return true;
    report(nullptr);
    return false;
}

} // namespace

// Each folder level being emptied holds one descriptor, so a deep tree needs
// as many as it has levels: allow the process all the system grants it.
static void raiseOpenFileLimit()
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

bool removeTreeNoFollow(const QString &path, const std::function<void(const QString &)> &failed)
{
    raiseOpenFileLimit();
    QByteArray native = QFile::encodeName(path);
    // A trailing slash would make the system follow a link at the top.
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    if (native.isEmpty())
        return false;
    Remover remover(failed);
    return remover.removeTop(native);
}

} // namespace platform
} // namespace appinstaller
