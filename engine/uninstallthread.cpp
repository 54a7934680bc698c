#include "engine/uninstallthread.h"

#include "engine/installprocessmgr.h"

namespace appinstaller {

UnInstallThread::UnInstallThread(QObject *parent)
    : QThread(parent)
{
}

UnInstallThread::~UnInstallThread() = default;

void UnInstallThread::run()
{
    Base::CSingleton<InstallProcessMgr>::instance()->unInstall();
}

} // namespace appinstaller
