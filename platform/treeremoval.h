#pragma once

#include <QString>

#include <functional>

namespace appinstaller {
namespace platform {

// Removes path with everything below it, on the system's own calls: each
// folder is opened relative to its parent and never through a symbolic link,
// so a link (at the top or inside) is removed as a link and a folder swapped
// for a link while the removal runs is not followed. Goes on past what cannot
// be removed and reports each such entry through failed (a folder that only
// stays because something in it stayed is not reported). A read-only entry is
// retried once with write permission added. Returns true when path is gone or
// was never there.
bool removeTreeNoFollow(const QString &path, const std::function<void(const QString &)> &failed);

} // namespace platform
} // namespace appinstaller
