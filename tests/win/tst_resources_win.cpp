// Reads the Windows resources back from a program file linked with
// resources/uninstall.rc: the icon group IDI_ICON1 with its eleven images and
// the manifest that asks for administrator rights. Plain C++ without Qt; run
// under Wine by run-under-wine.sh with the program file's name, looked up
// beside this program.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace {

int g_passed = 0;
int g_failed = 0;
bool g_caseFailed = false;
HMODULE g_module = nullptr;

void check(bool ok, const char *what, int line)
{
    if (ok)
        return;
    g_caseFailed = true;
    std::printf("    failed at line %d: %s\n", line, what);
}

#define CHECK(cond) check((cond), #cond, __LINE__)

void run(const char *name, void (*testCase)())
{
    g_caseFailed = false;
    testCase();
    std::printf("%s %s\n", g_caseFailed ? "FAIL" : "PASS", name);
    ++(g_caseFailed ? g_failed : g_passed);
}

// The bytes of a resource, empty when it does not exist.
std::vector<unsigned char> resourceBytes(HRSRC info)
{
    if (!info)
        return {};
    const HGLOBAL loaded = LoadResource(g_module, info);
    const void *data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(g_module, info);
    if (!data)
        return {};
    const auto *bytes = static_cast<const unsigned char *>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

std::uint16_t word(const std::vector<unsigned char> &b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t dword(const std::vector<unsigned char> &b, std::size_t at)
{
    return static_cast<std::uint32_t>(word(b, at)) | (static_cast<std::uint32_t>(word(b, at + 2)) << 16);
}

std::uint32_t bigEndian(const std::vector<unsigned char> &b, std::size_t at)
{
    return (static_cast<std::uint32_t>(b[at]) << 24) | (static_cast<std::uint32_t>(b[at + 1]) << 16)
        | (static_cast<std::uint32_t>(b[at + 2]) << 8) | b[at + 3];
}

BOOL CALLBACK collectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param)
{
    auto *out = reinterpret_cast<std::vector<std::wstring> *>(param);
    if (IS_INTRESOURCE(name))
        out->push_back(L"#" + std::to_wstring(reinterpret_cast<std::uintptr_t>(name)));
    else
        out->push_back(name);
    return TRUE;
}

// Names of all resources of a type: strings as they are, numbers as "#N".
std::vector<std::wstring> resourceNames(LPCWSTR type)
{
    std::vector<std::wstring> names;
    EnumResourceNamesW(g_module, type, collectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

const WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

void iconGroupIsTheOnlyOne()
{
    const std::vector<std::wstring> names = resourceNames(RT_GROUP_ICON);
    CHECK(names.size() == 1);
    CHECK(!names.empty() && names.front() == L"IDI_ICON1");
}

void iconGroupHoldsElevenImages()
{
    const std::vector<unsigned char> group =
        resourceBytes(FindResourceExW(g_module, RT_GROUP_ICON, L"IDI_ICON1", kEnglishUs));
    CHECK(group.size() >= 6);
    if (group.size() < 6)
        return;
    CHECK(word(group, 0) == 0);
    CHECK(word(group, 2) == 1);
    const std::size_t count = word(group, 4);
    CHECK(count == 11);
    CHECK(group.size() == 6 + 14 * count);
    if (group.size() < 6 + 14 * count)
        return;

    std::vector<std::pair<int, int>> found; // pixels, bits per pixel
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + 14 * i;
        const int width = group[at] == 0 ? 256 : group[at];
        const int height = group[at + 1] == 0 ? 256 : group[at + 1];
        const int bits = word(group, at + 6);
        const std::uint32_t bytesInRes = dword(group, at + 8);
        const WORD id = word(group, at + 12);
        CHECK(width == height);
        found.emplace_back(width, bits);

        const std::vector<unsigned char> image = resourceBytes(
            FindResourceExW(g_module, RT_ICON, MAKEINTRESOURCEW(id), kEnglishUs));
        CHECK(!image.empty());
        CHECK(image.size() == bytesInRes);
        if (image.size() < 40)
            continue;
        static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
        const bool isPng = std::memcmp(image.data(), png, 8) == 0;
        // Only the largest image is stored as PNG; its header must say so.
        CHECK(isPng == (width == 256));
        if (isPng) {
            CHECK(std::memcmp(image.data() + 12, "IHDR", 4) == 0);
            CHECK(bigEndian(image, 16) == 256);
            CHECK(bigEndian(image, 20) == 256);
        } else {
            // An icon's bitmap header counts the colour and the mask rows.
            CHECK(dword(image, 0) == 40);
            CHECK(static_cast<int>(dword(image, 4)) == width);
            CHECK(static_cast<int>(dword(image, 8)) == 2 * height);
            CHECK(word(image, 14) == bits);
        }
    }

    std::vector<std::pair<int, int>> expected = {{256, 32}, {128, 32}, {96, 32}, {80, 32},
                                                 {72, 32},  {64, 32},  {48, 32}, {32, 32},
                                                 {24, 32},  {16, 32},  {16, 8}};
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    CHECK(found == expected);
}

// The value of attribute name inside the first element called element.
std::string attribute(const std::string &text, const std::string &element, const std::string &name)
{
    const std::size_t start = text.find("<" + element);
    if (start == std::string::npos)
        return "<no element>";
    const std::size_t end = text.find('>', start);
    const std::string tag = text.substr(start, end == std::string::npos ? end : end - start);
    std::size_t at = tag.find(" " + name);
    if (at == std::string::npos)
        at = tag.find("\n" + name);
    if (at == std::string::npos)
        at = tag.find("\t" + name);
    if (at == std::string::npos)
        return "<no attribute>";
    at = tag.find('=', at);
    const std::size_t open = tag.find_first_of("\"'", at);
    if (open == std::string::npos)
        return "<no value>";
    const std::size_t close = tag.find(tag[open], open + 1);
    return tag.substr(open + 1, close == std::string::npos ? close : close - open - 1);
}

void manifestAsksForAdministratorRights()
{
    const std::vector<std::wstring> names = resourceNames(RT_MANIFEST);
    CHECK(names.size() == 1);
    CHECK(!names.empty() && names.front() == L"#1");

    const std::vector<unsigned char> bytes =
        resourceBytes(FindResourceW(g_module, MAKEINTRESOURCEW(1), RT_MANIFEST));
    CHECK(!bytes.empty());
    const std::string text(bytes.begin(), bytes.end());
    CHECK(text.find("<assembly") != std::string::npos);
    const std::string level = attribute(text, "requestedExecutionLevel", "level");
    const std::string uiAccess = attribute(text, "requestedExecutionLevel", "uiAccess");
    std::printf("    requestedExecutionLevel level=%s uiAccess=%s\n", level.c_str(),
                uiAccess.c_str());
    CHECK(level == "requireAdministrator");
    CHECK(uiAccess == "false");
}

std::wstring besideThisProgram(const wchar_t *fileName)
{
    std::vector<wchar_t> buffer(32768);
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    std::wstring path(buffer.data(), length);
    const std::size_t cut = path.find_last_of(L"\\/");
    return path.substr(0, cut == std::wstring::npos ? 0 : cut + 1) + fileName;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::printf("usage: tst_resources_win PROGRAM.exe\n");
        return 2;
    }
    const std::wstring path = besideThisProgram(argv[1]);
    g_module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!g_module) {
        std::printf("FAIL cannot load the program file (error %lu)\n", GetLastError());
        return 1;
    }

    run("iconGroupIsTheOnlyOne", iconGroupIsTheOnlyOne);
    run("iconGroupHoldsElevenImages", iconGroupHoldsElevenImages);
    run("manifestAsksForAdministratorRights", manifestAsksForAdministratorRights);

    FreeLibrary(g_module);
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
