#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Points HOME and the XDG folders of this test process at a private folder
// before anything asks Qt for a location, so nothing the tests run can reach
// the real desktop, Start menu or registry store.
class SandboxEnv
{
public:
    SandboxEnv()
        : m_dir(QDir::tempPath() + QStringLiteral("/uninstaller-gui-XXXXXX"))
    {
        const QByteArray root = QFile::encodeName(m_dir.path());
        qputenv("HOME", root + "/home");
        qputenv("XDG_CONFIG_HOME", root + "/home/.config");
        qputenv("XDG_DATA_HOME", root + "/home/.local/share");
        qputenv("XDG_CACHE_HOME", root + "/home/.cache");
        qputenv("XDG_RUNTIME_DIR", root + "/runtime");
        QDir().mkpath(m_dir.path() + QStringLiteral("/home"));
        QDir().mkpath(m_dir.path() + QStringLiteral("/runtime"));
        QFile::setPermissions(m_dir.path() + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
