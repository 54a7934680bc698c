#pragma once

#include "engine/leftitem.h"

#include <QWidget>

#include <memory>

namespace Ui {
class InstallingUI;
}

namespace appinstaller {

class UnInstallThread;

// The page shown while the uninstall runs: starts the worker, shows each of
// the engine's reports and announces the worker's end.
class InstallingPage : public QWidget
{
    Q_OBJECT

public:
    explicit InstallingPage(QWidget *parent = nullptr);
    // Waits for a worker that is still running, so it never outlives its page.
    ~InstallingPage() override;

    void startUnInstall();
    bool isUnInstalling() const;
    // What the last run could not remove, as the engine reported it.
    LeftItems leftItems() const { return m_leftItems; }

signals:
    void signalClose();
    void signalunInstallFinished();

public slots:
    void onProcessInfo(int iProcess, const QString &strProcessName);

private:
    void init();
    void onLeftItems(const appinstaller::LeftItems &items);

    std::unique_ptr<Ui::InstallingUI> m_ui;
    UnInstallThread *m_pThread = nullptr;
    LeftItems m_leftItems;
    bool m_bRunning = false;
};

} // namespace appinstaller
