#pragma once

#include <QThread>

namespace appinstaller {

// Runs the uninstall sequence once on its own thread, without an event loop.
class UnInstallThread : public QThread
{
    Q_OBJECT

public:
    explicit UnInstallThread(QObject *parent);
    ~UnInstallThread() override;

protected:
    void run() override;
};

} // namespace appinstaller
