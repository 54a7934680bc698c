#include "platform/publicdesktop.h"

#include <QStandardPaths>

namespace appinstaller {
namespace platform {

QString publicDesktopFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // Without a data folder there is no stand-in; callers skip an empty folder.
    if (data.isEmpty())
        return QString();
    return data + QStringLiteral("/appinstaller/PublicDesktop/");
}

} // namespace platform
} // namespace appinstaller
