#pragma once

#include "controls/varnelglobal.h"

#include <QString>
#include <QStringList>

namespace Varnel {

class VARNEL_EXPORT CFile
{
public:
    // The UTF-8 text of the named files in dir (a resource folder such as
    // ":/x/" included), joined in the order given. A file that cannot be read
    // contributes nothing; a leading byte-order mark is dropped.
    static QString ReadAll(const QStringList &fileNames, const QString &dir);
};

} // namespace Varnel
