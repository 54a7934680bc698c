// A GUI program that does nothing but carry the uninstaller's Windows
// resources (icon group and manifest), linked exactly as the product links
// them, so that tst_resources_win can read them back from a real program file.

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
