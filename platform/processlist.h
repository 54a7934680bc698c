#pragma once

// The process list of the running check. Free of Qt, so that the Windows
// implementation can be compiled and run on its own (under Wine).

#include <cstdint>
#include <functional>
#include <string>

namespace appinstaller {
namespace platform {

struct ProcessEntry
{
    std::uint32_t pid = 0;
    // The executable's file name with its extension and without a folder.
    std::u16string exeName;
};

// Calls visit for each running process, in the order the system lists them,
// until visit returns false. Returns false when the list cannot be read or
// holds no process.
bool walkProcesses(const std::function<bool(const ProcessEntry &)> &visit);

std::uint32_t currentProcessId();

// The name as it comes back from a conversion to the system's 8-bit code page
// and back to UTF-16, written into a buffer of 260 units (the terminating zero
// included). Characters the code page cannot hold do not survive. Returns
// false, leaving out empty, when the result does not fit the buffer.
bool roundTripLocal8Bit(const std::u16string &name, std::u16string &out);

} // namespace platform
} // namespace appinstaller
