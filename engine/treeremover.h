#pragma once

#include <QString>
#include <QStringList>

namespace appinstaller {

// Removes a file or a folder with everything below it, in place of
// QDir::removeRecursively: it goes on past what cannot be removed and retries
// a read-only file once with write permission, as Qt does, but it never
// follows a symbolic link or a junction. A link, at the top or inside the
// tree, is removed as a link; what it points to is left alone.
class TreeRemover
{
public:
    enum class Method {
        Native,   // the system's own calls where there are (no link followed even under races)
        Portable, // Qt's file classes only
    };

    explicit TreeRemover(Method method = Method::Native, int maxRecorded = 50);

    // True when nothing is left at path afterwards (also when nothing was there).
    bool remove(const QString &path);

    // The first entries that could not be removed, at most maxRecorded of them,
    // in the order met; failureCount() counts them all.
    QStringList failedEntries() const { return m_failed; }
    qint64 failureCount() const { return m_failureCount; }

    // True when something (a file, a folder, a link, also a dangling one) is at path.
    static bool isPresent(const QString &path);

private:
    void record(const QString &path);
    bool removePortable(const QString &path);
    bool removeEntryPortable(const QString &path, bool isLink);

    Method m_method;
    int m_maxRecorded;
    QStringList m_failed;
    qint64 m_failureCount = 0;
};

} // namespace appinstaller
