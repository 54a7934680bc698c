#pragma once

#include <QString>
#include <QStringList>

namespace appinstaller {

// The safety rules for what the uninstaller removes. It runs elevated and
// deletes what a registry value and a configuration file name, so a path or a
// name is used only when it can name nothing but the product's own files.
class InstallPathGuard
{
public:
    enum class Verdict {
        Allowed,
        Invalid,   // empty, relative, or holding a zero character
        Protected, // a protected location or an ancestor of one
    };

    // Checks an install folder: absolute, and after cleaning (and with the
    // links of its parent folders resolved) neither a protected location nor
    // an ancestor of one. The folders of other installed products count as
    // protected too.
    static Verdict checkInstallPath(const QString &path, const QStringList &otherProducts = QStringList());

    // The protected locations, cleaned, for the current user and system (those
    // reached through a link also under their real path).
    static QStringList protectedLocations();

    // True for a product name that is a plain file name: not empty, not made
    // of dots (and blanks) only, without '/', '\\' or a zero character.
    static bool isPlainName(const QString &name);

private:
    static bool coversProtected(const QString &cleaned, const QStringList &locations);
};

} // namespace appinstaller
