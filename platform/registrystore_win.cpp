#include "platform/registrystore.h"

namespace appinstaller {
namespace platform {

std::unique_ptr<QSettings> openRegistryKey(const QString &keyPath)
{
    return std::make_unique<QSettings>(keyPath, QSettings::NativeFormat);
}

} // namespace platform
} // namespace appinstaller
