#include "engine/runningclient.h"

#include "engine/processmatcher.h"

namespace appinstaller {

bool isProcessRunning(QString programName)
{
    const std::u16string name(reinterpret_cast<const char16_t *>(programName.utf16()),
                              static_cast<std::size_t>(programName.size()));
    return isProgramRunning(name);
}

} // namespace appinstaller
