#include "platform/processlist.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

// The process list read from /proc. Each process's executable name is the last
// component of its /proc/PID/exe link; when that link cannot be read (a process
// of another user, a kernel thread), the last component of argv[0] is used.

namespace appinstaller {
namespace platform {

namespace {

constexpr std::size_t kNameBufferUnits = 260;

std::u16string toU16(const QString &text)
{
    return std::u16string(reinterpret_cast<const char16_t *>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

QByteArray lastComponent(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.mid(slash + 1);
}

bool readExeLink(int procFd, const char *pid, QByteArray &name)
{
    char link[64];
    std::snprintf(link, sizeof link, "%s/exe", pid);
    char target[4096];
    const ssize_t length = ::readlinkat(procFd, link, target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target)
        return false;
    QByteArray path(target, static_cast<int>(length));
    static const QByteArray deleted(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    name = lastComponent(path);
    return !name.isEmpty();
}

bool readArgv0(int procFd, const char *pid, QByteArray &name)
{
    char file[64];
    std::snprintf(file, sizeof file, "%s/cmdline", pid);
    const int fd = ::openat(procFd, file, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // argv[0] ends at the first zero byte; a longer one cannot match anyway.
    char buffer[4096];
    const ssize_t length = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (length <= 0)
        return false;
    const void *zero = std::memchr(buffer, 0, static_cast<std::size_t>(length));
    const int size = zero ? static_cast<int>(static_cast<const char *>(zero) - buffer)
                          : static_cast<int>(length);
    name = lastComponent(QByteArray(buffer, size));
    return !name.isEmpty();
}

bool isPid(const char *name, std::uint32_t &pid)
{
    if (!*name)
        return false;
    std::uint64_t value = 0;
    for (const char *c = name; *c; ++c) {
        if (*c < '0' || *c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(*c - '0');
        if (value > 0xffffffffu)
            return false;
    }
    pid = static_cast<std::uint32_t>(value);
    return true;
}

} // namespace

bool walkProcesses(const std::function<bool(const ProcessEntry &)> &visit)
{
    const int procFd = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (procFd < 0)
        return false;
    DIR *dir = ::fdopendir(procFd);
    if (!dir) {
        ::close(procFd);
        return false;
    }

    bool any = false;
    while (const dirent *entry = ::readdir(dir)) {
        ProcessEntry process;
        if (!isPid(entry->d_name, process.pid))
            continue;
        QByteArray name;
        if (!readExeLink(procFd, entry->d_name, name) && !readArgv0(procFd, entry->d_name, name))
            continue;
        any = true;
        process.exeName = toU16(QFile::decodeName(name));
        if (!visit(process))
            break;
    }
    ::closedir(dir);
    return any;
}

std::uint32_t currentProcessId()
{
    return static_cast<std::uint32_t>(::getpid());
}

bool roundTripLocal8Bit(const std::u16string &name, std::u16string &out)
{
    out.clear();
    const QString text = QString::fromUtf16(name.data(), static_cast<int>(name.size()));
    const QString back = QString::fromLocal8Bit(text.toLocal8Bit());
    // The terminating zero must fit the buffer as well.
    if (static_cast<std::size_t>(back.size()) + 1 > kNameBufferUnits)
        return false;
    out = toU16(back);
    return true;
}

} // namespace platform
} // namespace appinstaller
