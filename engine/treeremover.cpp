#include "engine/treeremover.h"

#ifndef Q_OS_WIN
#include "platform/treeremoval.h"
#endif

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace appinstaller {

TreeRemover::TreeRemover(Method method, int maxRecorded)
    : m_method(method)
    , m_maxRecorded(maxRecorded)
{
}

bool TreeRemover::isPresent(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

void TreeRemover::record(const QString &path)
{
    ++m_failureCount;
    if (m_failed.size() < m_maxRecorded)
        m_failed.append(path);
}

bool TreeRemover::remove(const QString &path)
{
    if (path.isEmpty())
        return false;
    // Without trailing separators, so that a link at the top is seen as a link.
    const QString cleaned = QDir::cleanPath(QDir::fromNativeSeparators(path));
#ifdef Q_OS_WIN
    // Qt's classes are the system's calls there; junctions are caught by isJunction().
    removePortable(cleaned);
#else
    if (m_method == Method::Native)
        platform::removeTreeNoFollow(cleaned, [this](const QString &failed) { record(failed); });
    else
        removePortable(cleaned);
#endif
    return !isPresent(cleaned);
}

bool TreeRemover::removeEntryPortable(const QString &path, bool isLink)
{
    if (QFile::remove(path))
        return true;
    if (isLink) {
        // A link to a folder (a junction, a folder symlink on Windows) is
        // removed as a folder without touching what it points to.
        if (QDir().rmdir(path) || !isPresent(path))
            return true;
    } else {
        const QFile::Permissions permissions = QFile::permissions(path);
        if (!(permissions & QFile::WriteUser)
            && QFile::setPermissions(path, permissions | QFile::WriteUser) && QFile::remove(path))
            return true;
        if (!isPresent(path))
            return true;
    }
    record(path);
    return false;
}

bool TreeRemover::removePortable(const QString &path)
{
    const QFileInfo top(path);
    const bool topIsLink = top.isSymLink() || top.isJunction();
    if (!top.exists() && !topIsLink)
        return true;
    if (topIsLink || !top.isDir())
        return removeEntryPortable(path, topIsLink);

    bool ok = true;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const bool isLink = info.isSymLink() || info.isJunction();
        if (info.isDir() && !isLink)
            ok = removePortable(it.filePath()) && ok;
        else
            ok = removeEntryPortable(it.filePath(), isLink) && ok;
    }
    if (!ok)
        return false;
    if (QDir().rmdir(path) || !isPresent(path))
        return true;
    record(path);
    return false;
}

} // namespace appinstaller
