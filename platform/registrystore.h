#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>

namespace appinstaller {
namespace platform {

// Opens a registry key, given by its full path ("HKEY_CURRENT_USER\A\B\C"),
// as a settings object. On Windows that is the registry itself; elsewhere an
// INI file per key below registryFolder(), so allKeys() and clear() behave as
// they do on the registry.
std::unique_ptr<QSettings> openRegistryKey(const QString &keyPath);

// The names of the sub-keys directly below a key.
QStringList registryChildKeys(const QString &keyPath);

#ifndef Q_OS_WIN
// $XDG_CONFIG_HOME/appinstaller/registry, where the stand-in keeps its keys.
QString registryFolder();
// The INI file of a key path: one folder per backslash-separated name, the
// last name the file. Names that could lead outside the folder are
// percent-encoded, so every key path maps to a file inside it.
QString registryKeyFile(const QString &keyPath);
#endif

} // namespace platform
} // namespace appinstaller
