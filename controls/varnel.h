#pragma once

#include "controls/varnelglobal.h"

#include <QString>

namespace Varnel {

// Registers the binary resource file at rccPath with Qt's resource system and
// takes the application-wide style sheet from it: the text of every "*.qss"
// in its folder "/Varnel/Qss/", in name order. With append false the sheet replaces
// styleSheet, with append true it is added after it. Returns false and leaves
// styleSheet untouched when the file cannot be registered or holds no sheet.
// A file is registered once, however often it is passed.
VARNEL_EXPORT bool InitResource(const QString &rccPath, QString &styleSheet, bool append);

// The folder of the running program, always ending in "/".
VARNEL_EXPORT QString GetTargetPath();

} // namespace Varnel
