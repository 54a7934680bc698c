#pragma once

#include "base/csingleton.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace appinstaller {

// The product's per-user uninstall registry entry, named after the GUID of
// AppConfig. Stateless: each call opens and releases its own settings object,
// so the worker thread and the GUI thread may both use it.
class RegistryMgr
{
public:
    bool isInstalled() const;
    // The "installpath" value as UTF-8, or empty.
    QByteArray getInstallPath() const;
    // Removes every value and sub-key of the entry.
    void clearUninstallEntry() const;

    // True when the entry holds at least one value, in itself or a sub-key.
    bool hasEntry(const QByteArray &guid) const;
    QByteArray readValue(const QByteArray &name, const QByteArray &guid) const;

    // The install folders that the other products' entries under the
    // Uninstall key record ("installpath", or Windows' "InstallLocation"),
    // so the uninstall can leave them alone.
    QStringList otherInstallPaths() const;

    static QByteArray uninstallKeyRoot();
    // The full key path of a product's entry; empty when the GUID names no
    // entry of its own.
    static QString keyPath(const QByteArray &guid);

private:
    friend class Base::CSingleton<RegistryMgr>;
    RegistryMgr() = default;
};

} // namespace appinstaller
