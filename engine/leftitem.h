#pragma once

#include <QMetaType>
#include <QString>
#include <QVector>

namespace appinstaller {

// Something an uninstall run meant to remove and that is still there, or that
// a safety rule kept it from touching. Handed from the worker to the
// interface by value, so the two threads share no data.
struct LeftItem
{
    enum class Reason {
        NotRemoved,    // still exists after the removal was tried
        ProtectedPath, // a protected location (root, home, system folder...)
        InvalidPath,   // empty or relative install path
        UnsafeName,    // a product name that is not a plain file name
    };

    QString path;
    Reason reason = Reason::NotRemoved;

    bool operator==(const LeftItem &other) const
    {
        return path == other.path && reason == other.reason;
    }
};

using LeftItems = QVector<LeftItem>;

} // namespace appinstaller

Q_DECLARE_METATYPE(appinstaller::LeftItem)
Q_DECLARE_METATYPE(appinstaller::LeftItems)
