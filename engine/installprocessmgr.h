#pragma once

#include "base/csingleton.h"
#include "engine/leftitem.h"

#include <QObject>
#include <QString>

namespace appinstaller {

// The uninstall engine: removes the installation folder, the shortcuts and
// Start-menu folders and the uninstall registry entry, reporting its progress
// through signalProcess. Runs once, on the worker thread.
class InstallProcessMgr : public QObject, public Base::CSingleton<InstallProcessMgr>
{
    Q_OBJECT

public:
    ~InstallProcessMgr() override;

    // The whole sequence, synchronously on the calling thread.
    void unInstall();
    void removeShortcuts();

signals:
    void signalProcess(int iProcess, const QString &strProcessName);
    // Once per run, right before the report 100: what is still there (empty
    // when everything went).
    void signalLeftItems(const appinstaller::LeftItems &items);

private:
    friend class Base::CSingleton<InstallProcessMgr>;
    InstallProcessMgr();

    void removeShortcuts(LeftItems &left);
    void removeInstallFolder(const QString &path, LeftItems &left);
};

} // namespace appinstaller
