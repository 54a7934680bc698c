#include "controls/cfile.h"

#include <QDir>
#include <QFile>

namespace Varnel {

QString CFile::ReadAll(const QStringList &fileNames, const QString &dir)
{
    const QDir folder(dir);
    QString text;
    for (const QString &name : fileNames) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QString part = QString::fromUtf8(file.readAll());
        if (part.startsWith(QChar(0xFEFF)))
            part.remove(0, 1);
        text += part;
    }
    return text;
}

} // namespace Varnel
