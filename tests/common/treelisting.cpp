#include "treelisting.h"

#include <QDirIterator>
#include <QFileInfo>

QStringList treeListing(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        QString relative = it.filePath().mid(root.size() + 1);
        if (it.fileInfo().isDir() && !it.fileInfo().isSymLink())
            relative += QLatin1Char('/');
        entries.append(relative);
    }
    entries.sort();
    return entries;
}
