#pragma once

#include <QString>

namespace appinstaller {
namespace platform {

// The all-users desktop on which the product's installer may have placed
// shortcuts, with a trailing '/'. On Windows the fixed "C:/Users/Public/Desktop/";
// elsewhere a folder below the user's data folder stands in for it.
QString publicDesktopFolder();

} // namespace platform
} // namespace appinstaller
