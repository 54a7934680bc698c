#pragma once

#include <QString>

namespace appinstaller {

// True when a process other than this one runs the product's program: an
// executable whose file name equals programName cut after its last '/'.
// False when the process list cannot be read.
bool isProcessRunning(QString programName);

} // namespace appinstaller
