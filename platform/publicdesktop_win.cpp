#include "platform/publicdesktop.h"

namespace appinstaller {
namespace platform {

QString publicDesktopFolder()
{
    // Fixed on purpose: the installer writes here, whatever the system's
    // public desktop is.
    return QStringLiteral("C:/Users/Public/Desktop/");
}

} // namespace platform
} // namespace appinstaller
