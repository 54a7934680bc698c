#include "engine/processmatcher.h"

#include "platform/processlist.h"

namespace appinstaller {

bool isProgramRunning(const std::u16string &programName)
{
    // Only the forward slash separates folders here: a backslash is part of
    // the name, so "C:\Apps\Product.exe" never matches.
    const std::size_t slash = programName.rfind(u'/');
    const std::u16string fileName =
        slash == std::u16string::npos ? programName : programName.substr(slash + 1);

    std::u16string wanted;
    if (!platform::roundTripLocal8Bit(fileName, wanted) || wanted.empty())
        return false;

    const std::uint32_t ownPid = platform::currentProcessId();
    bool found = false;
    platform::walkProcesses([&](const platform::ProcessEntry &entry) {
        if (entry.pid != ownPid && entry.exeName == wanted) {
            found = true;
            return false;
        }
        return true;
    });
    return found;
}

} // namespace appinstaller
