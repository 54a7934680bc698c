#pragma once

// The rules of the running check, shared by every platform and free of Qt.

#include <string>

namespace appinstaller {

// True when a process other than this one runs an executable whose file name
// equals programName, after everything up to its last '/' is cut off and the
// name has made the round trip through the 8-bit code page. The comparison is
// exact and case-sensitive; an empty name, a name that does not fit the
// 260-unit buffer and an unreadable process list never match.
bool isProgramRunning(const std::u16string &programName);

} // namespace appinstaller
