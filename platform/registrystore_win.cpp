#include "platform/registrystore.h"

namespace appinstaller {
namespace platform {

std::unique_ptr<QSettings> openRegistryKey(const QString &keyPath)
{
    return std::make_unique<QSettings>(keyPath, QSettings::NativeFormat);
}

QStringList registryChildKeys(const QString &keyPath)
{
    return openRegistryKey(keyPath)->childGroups();
}

} // namespace platform
} // namespace appinstaller
