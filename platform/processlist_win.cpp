// The process list of the running check on Windows: a Toolhelp snapshot, and
// the round trip through the ANSI code page. Free of Qt, so that it can be
// cross-compiled and run on its own under Wine.

#include "platform/processlist.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected on Windows");
#if defined(_WIN64)
static_assert(sizeof(PROCESSENTRY32W) == 568, "PROCESSENTRY32W of a 64-bit build");
#else
static_assert(sizeof(PROCESSENTRY32W) == 556, "PROCESSENTRY32W of a 32-bit build");
#endif

namespace appinstaller {
namespace platform {

namespace {

// Size of the name buffer of a process entry, the terminating zero included.
constexpr int kNameBufferUnits = MAX_PATH;

} // namespace

bool walkProcesses(const std::function<bool(const ProcessEntry &)> &visit)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;

    PROCESSENTRY32W entry;
    ZeroMemory(&entry, sizeof entry);
    entry.dwSize = sizeof entry;
    const bool any = Process32FirstW(snapshot, &entry) != FALSE;
    if (any) {
        ProcessEntry item;
        do {
            item.pid = entry.th32ProcessID;
            // szExeFile is always terminated; wchar_t and char16_t are both
            // UTF-16 units here, so the units are copied one by one.
            const wchar_t *name = entry.szExeFile;
            item.exeName.assign(name, name + lstrlenW(name));
            if (!visit(item))
                break;
        } while (Process32NextW(snapshot, &entry) != FALSE);
    }
    CloseHandle(snapshot);
    return any;
}

std::uint32_t currentProcessId()
{
    return GetCurrentProcessId();
}

bool roundTripLocal8Bit(const std::u16string &name, std::u16string &out)
{
    out.clear();
    if (name.empty())
        return true;

    const std::wstring wide(name.begin(), name.end());
    const int length = static_cast<int>(wide.size());
    // No best-fit mapping: a character the code page cannot hold becomes the
    // default character rather than a look-alike letter, so that a configured
    // "Āpp.exe" can never stand for a running "App.exe".
    const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                          nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    std::vector<char> local(static_cast<std::size_t>(bytes) + 1, '\0');
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, local.data(),
                            bytes, nullptr, nullptr)
        != bytes) {
        return false;
    }

    // Read back up to the terminating zero, as a C string would be; a result
    // that does not fit the buffer fails as a whole.
    wchar_t buffer[kNameBufferUnits];
    const int units = MultiByteToWideChar(CP_ACP, 0, local.data(), -1, buffer, kNameBufferUnits);
    if (units <= 0)
        return false;
    out.assign(buffer, buffer + (units - 1));
    return true;
}

} // namespace platform
} // namespace appinstaller
