// The running check on Windows, for real: this program starts copies of itself
// under chosen names and looks for them through the Toolhelp process walk and
// the shared matching rules. Plain C++ without Qt; run under Wine by
// run-under-wine.sh, once for each ANSI code page it is given (--acp N).
//
// Started as "--child READY PARENT", a copy signals the inherited event READY
// and then waits until the process PARENT ends (or it is terminated), so no
// copy outlives the test.

#include "engine/processmatcher.h"
#include "platform/processlist.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

using appinstaller::isProgramRunning;
namespace platform = appinstaller::platform;

namespace {

int g_passed = 0;
int g_failed = 0;
bool g_caseFailed = false;
unsigned g_acp = 0;

std::string utf8(const std::u16string &text)
{
    const std::wstring wide(text.begin(), text.end());
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size,
                            nullptr, nullptr);
    return out;
}

std::u16string fromWide(const std::wstring &text)
{
    return std::u16string(text.begin(), text.end());
}

std::wstring toWide(const std::u16string &text)
{
    return std::wstring(text.begin(), text.end());
}

void check(bool ok, const char *what, const std::u16string &detail, int line)
{
    if (ok)
        return;
    g_caseFailed = true;
    std::printf("    failed at line %d: %s", line, what);
    if (!detail.empty())
        std::printf("  [%s]", utf8(detail).c_str());
    std::printf("\n");
}

#define CHECK(cond) check((cond), #cond, std::u16string(), __LINE__)
#define CHECK_FOR(cond, detail) check((cond), #cond, (detail), __LINE__)

void run(const char *name, void (*testCase)())
{
    g_caseFailed = false;
    testCase();
    std::printf("%s %s (ANSI code page %u)\n", g_caseFailed ? "FAIL" : "PASS", name, g_acp);
    std::fflush(stdout);
    ++(g_caseFailed ? g_failed : g_passed);
}

std::wstring modulePath()
{
    std::vector<wchar_t> buffer(32768);
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::wstring(buffer.data(), length);
}

std::u16string ownExeName()
{
    const std::wstring path = modulePath();
    const std::size_t cut = path.find_last_of(L"\\/");
    return fromWide(cut == std::wstring::npos ? path : path.substr(cut + 1));
}

// The processes of a snapshot with the given name.
std::vector<std::uint32_t> pidsNamed(const std::u16string &name)
{
    std::vector<std::uint32_t> pids;
    platform::walkProcesses([&](const platform::ProcessEntry &entry) {
        if (entry.exeName == name)
            pids.push_back(entry.pid);
        return true;
    });
    return pids;
}

bool listed(const std::u16string &name, std::uint32_t pid)
{
    for (std::uint32_t each : pidsNamed(name)) {
        if (each == pid)
            return true;
    }
    return false;
}

// A private folder in the prefix's temp folder for the copies of this program.
class Sandbox
{
public:
    Sandbox()
    {
        wchar_t temp[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        m_dir = std::wstring(temp, length) + L"uninstaller-walk-"
            + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_dir.c_str(), nullptr);
    }
    ~Sandbox()
    {
        clear();
        RemoveDirectoryW(m_dir.c_str());
    }
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    // A copy of this program under the given file name, in a sub-folder of
    // its own, so that the copy may carry this program's own name.
    std::wstring copyAs(const std::u16string &name)
    {
        const std::wstring folder = m_dir + L"\\" + std::to_wstring(m_serial++);
        CreateDirectoryW(folder.c_str(), nullptr);
        m_folders.push_back(folder);
        const std::wstring path = folder + L"\\" + toWide(name);
        if (!CopyFileW(modulePath().c_str(), path.c_str(), FALSE)) {
            std::printf("    cannot copy this program to %s (error %lu)\n",
                        utf8(fromWide(path)).c_str(), GetLastError());
            return std::wstring();
        }
        m_files.push_back(path);
        return path;
    }

    // Removes the copies; none of them may still run.
    void clear()
    {
        for (const std::wstring &file : m_files)
            DeleteFileW(file.c_str());
        for (const std::wstring &folder : m_folders)
            RemoveDirectoryW(folder.c_str());
        m_files.clear();
        m_folders.clear();
    }

private:
    std::wstring m_dir;
    std::vector<std::wstring> m_files;
    std::vector<std::wstring> m_folders;
    unsigned m_serial = 0;
};

Sandbox *g_sandbox = nullptr;

// A running copy of this program under a given name.
class Child
{
public:
    explicit Child(const std::u16string &name)
    {
        const std::wstring path = g_sandbox->copyAs(name);
        if (path.empty())
            return;

        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        const HANDLE ready = CreateEventW(&inherit, TRUE, FALSE, nullptr);
        HANDLE parent = nullptr;
        DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &parent,
                        SYNCHRONIZE, TRUE, 0);
        std::wstring commandLine = L"\"" + path + L"\" --child "
            + std::to_wstring(reinterpret_cast<std::uintptr_t>(ready)) + L" "
            + std::to_wstring(reinterpret_cast<std::uintptr_t>(parent));

        STARTUPINFOW startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        if (CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                           nullptr, &startup, &m_info)) {
            // Bounded so that a copy that never starts fails the test instead
            // of hanging it.
            const HANDLE waitFor[] = {ready, m_info.hProcess};
            const DWORD woken = WaitForMultipleObjects(2, waitFor, FALSE, 60000);
            m_running = woken == WAIT_OBJECT_0;
            if (!m_running)
                std::printf("    the copy %s did not start (wait result %lu)\n",
                            utf8(name).c_str(), woken);
        } else {
            std::printf("    cannot start %s (error %lu)\n", utf8(name).c_str(), GetLastError());
            ZeroMemory(&m_info, sizeof m_info);
        }
        CloseHandle(ready);
        CloseHandle(parent);
    }
    ~Child() { stop(); }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    bool running() const { return m_running; }
    std::uint32_t pid() const { return m_info.dwProcessId; }

    // Ends the copy and waits until it is gone from the process list.
    void stop()
    {
        if (!m_info.hProcess)
            return;
        TerminateProcess(m_info.hProcess, 0);
        WaitForSingleObject(m_info.hProcess, 60000);
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
        ZeroMemory(&m_info, sizeof m_info);
        m_running = false;
    }

private:
    PROCESS_INFORMATION m_info = {};
    bool m_running = false;
};

int childMain(const wchar_t *readyArg, const wchar_t *parentArg)
{
    const HANDLE ready =
        reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::wcstoull(readyArg, nullptr, 10)));
    const HANDLE parent = reinterpret_cast<HANDLE>(
        static_cast<std::uintptr_t>(std::wcstoull(parentArg, nullptr, 10)));
    SetEvent(ready);
    WaitForSingleObject(parent, INFINITE);
    return 0;
}

const std::u16string kProduct = u"Product.exe";

// --- the cases -------------------------------------------------------------

void currentProcessIdIsThisProcess()
{
    CHECK(platform::currentProcessId() == GetCurrentProcessId());
}

void walkListsThisProcessByFileName()
{
    const std::u16string name = ownExeName();
    int seen = 0;
    bool anyOther = false;
    const bool read = platform::walkProcesses([&](const platform::ProcessEntry &entry) {
        if (entry.pid == GetCurrentProcessId()) {
            ++seen;
            CHECK_FOR(entry.exeName == name, entry.exeName);
        } else {
            anyOther = true;
        }
        return true;
    });
    CHECK(read);
    CHECK(seen == 1);
    CHECK(anyOther);
}

void walkStopsWhenTheVisitorSaysSo()
{
    int visits = 0;
    CHECK(platform::walkProcesses([&](const platform::ProcessEntry &) {
        ++visits;
        return false;
    }));
    CHECK(visits == 1);
}

void walkListsAStartedCopyUnderItsName()
{
    Child child(kProduct);
    CHECK(child.running());
    CHECK(listed(kProduct, child.pid()));
    child.stop();
    CHECK(pidsNamed(kProduct).empty());
}

void nameRules()
{
    struct Row
    {
        std::u16string name;
        bool found;
    };
    const Row rows[] = {
        {u"Product.exe", true},
        {u"product.exe", false},
        {u"PRODUCT.EXE", false},
        {u"Product", false},
        {u"Product.ex", false},
        {u"Product.exe ", false},
        {u" Product.exe", false},
        {u"C:/Apps/Product.exe", true},
        {u"/Product.exe", true},
        {u"a/b\\c/Product.exe", true},
        {u"C:\\Apps\\Product.exe", false},
        {u".\\Product.exe", false},
        {u"Product.exe/", false},
        {u"", false},
        {u"C:/Apps/", false},
    };

    Child child(kProduct);
    CHECK(child.running());
    CHECK(listed(kProduct, child.pid()));
    for (const Row &row : rows)
        CHECK_FOR(isProgramRunning(row.name) == row.found, row.name);

    child.stop();
    CHECK(!isProgramRunning(kProduct));
    CHECK(!isProgramRunning(u"C:/Apps/Product.exe"));
}

void ownProcessIsNotCounted()
{
    const std::u16string name = ownExeName();
    CHECK(listed(name, GetCurrentProcessId()));
    CHECK(!isProgramRunning(name));

    // Another process of the same name does count.
    Child other(name);
    CHECK(other.running());
    CHECK(listed(name, other.pid()));
    CHECK(isProgramRunning(name));
    CHECK(isProgramRunning(u"Z:/somewhere/" + name));
    other.stop();
    CHECK(!isProgramRunning(name));
}

void twoInstances()
{
    const std::u16string name = u"Twin.exe";
    Child first(name);
    Child second(name);
    CHECK(first.running());
    CHECK(second.running());
    CHECK(pidsNamed(name).size() == 2);
    CHECK(isProgramRunning(name));
    first.stop();
    CHECK(isProgramRunning(name));
    second.stop();
    CHECK(!isProgramRunning(name));
}

// One character the ANSI code page holds (one byte in 1252, two in 936).
char16_t heldCharacter()
{
    return g_acp == 936 ? u'\u4e2d' : u'\u00f6';
}

void nameBufferOf260Units()
{
    const std::u16string fits(259, u'a');
    std::u16string out = u"junk";
    CHECK(platform::roundTripLocal8Bit(fits, out));
    CHECK(out == fits);

    const std::u16string tooLong(260, u'a');
    out = u"junk";
    CHECK(!platform::roundTripLocal8Bit(tooLong, out));
    CHECK(out.empty());

    // The limit counts UTF-16 units, not bytes of the code page.
    const std::u16string wideFits(259, heldCharacter());
    CHECK(platform::roundTripLocal8Bit(wideFits, out));
    CHECK(out == wideFits);
    CHECK(!platform::roundTripLocal8Bit(std::u16string(260, heldCharacter()), out));

    out = u"junk";
    CHECK(platform::roundTripLocal8Bit(std::u16string(), out));
    CHECK(out.empty());
}

void longNamesInTheRunningCheck()
{
    Child child(kProduct);
    CHECK(child.running());
    const std::u16string longFolder = u"C:/" + std::u16string(300, u'd') + u"/";
    // The folder is cut off before the length counts.
    CHECK(isProgramRunning(longFolder + kProduct));
    CHECK(!isProgramRunning(longFolder + std::u16string(260, u'a')));
}

void codePageConversion()
{
    struct Row
    {
        std::u16string running; // file name of the started copy
        std::u16string configured;
        bool found;
    };
    // 1252 holds ö but no CJK; 936 holds 中 but no ö. Best-fit look-alikes
    // (Ā to A in 1252, Ā to ā in 936) must not turn a name into another one.
    const std::vector<Row> rows = g_acp == 936
        ? std::vector<Row>{{u"Prod\u4e2duct.exe", u"Prod\u4e2duct.exe", true},
                           {u"Pr\u00f6d\u00fcct.exe", u"Pr\u00f6d\u00fcct.exe", false},
                           {u"\u0101pp.exe", u"\u0100pp.exe", false},
                           {u"\u0101pp.exe", u"\u0101pp.exe", true}}
        : std::vector<Row>{{u"Pr\u00f6d\u00fcct.exe", u"Pr\u00f6d\u00fcct.exe", true},
                           {u"Prod\u4e2duct.exe", u"Prod\u4e2duct.exe", false},
                           {u"\u0401.exe", u"\u0401.exe", false},
                           {u"App.exe", u"\u0100pp.exe", false},
                           {u"App.exe", u"App.exe", true}};

    for (const Row &row : rows) {
        Child child(row.running);
        CHECK_FOR(child.running(), row.running);
        // The process is listed under its Unicode name in any case; only the
        // conversion of the configured name decides.
        CHECK_FOR(listed(row.running, child.pid()), row.running);
        CHECK_FOR(isProgramRunning(row.configured) == row.found, row.configured);
        CHECK_FOR(isProgramRunning(u"C:/Apps/" + row.configured) == row.found, row.configured);
    }
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 4 && std::wcscmp(argv[1], L"--child") == 0)
        return childMain(argv[2], argv[3]);

    unsigned expectedAcp = 0;
    if (argc == 3 && std::wcscmp(argv[1], L"--acp") == 0)
        expectedAcp = static_cast<unsigned>(std::wcstoul(argv[2], nullptr, 10));
    g_acp = GetACP();
    if (expectedAcp != 1252 && expectedAcp != 936) {
        std::printf("usage: tst_processwalk_win --acp 1252|936\n");
        return 2;
    }
    if (g_acp != expectedAcp) {
        std::printf("FAIL the ANSI code page is %u, not %u: Wine takes it from LANG and LC_ALL\n",
                    g_acp, expectedAcp);
        return 1;
    }

    Sandbox sandbox;
    g_sandbox = &sandbox;

    run("currentProcessIdIsThisProcess", currentProcessIdIsThisProcess);
    run("walkListsThisProcessByFileName", walkListsThisProcessByFileName);
    run("walkStopsWhenTheVisitorSaysSo", walkStopsWhenTheVisitorSaysSo);
    run("walkListsAStartedCopyUnderItsName", walkListsAStartedCopyUnderItsName);
    run("nameRules", nameRules);
    run("ownProcessIsNotCounted", ownProcessIsNotCounted);
    run("twoInstances", twoInstances);
    run("nameBufferOf260Units", nameBufferOf260Units);
    run("longNamesInTheRunningCheck", longNamesInTheRunningCheck);
    run("codePageConversion", codePageConversion);

    g_sandbox = nullptr;
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
