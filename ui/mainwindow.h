#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class MainWindowUI;
}

namespace appinstaller {

class InstallingPage;
class UnInstallCompletedPage;

// The program's only window: frameless and translucent, holding the progress
// page and the completion page in a shadowed stack.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

public slots:
    void onFinishedUnInstall();
    void onUninstall();

protected:
    // Refused while the worker runs: the removal cannot stop half-way.
    void closeEvent(QCloseEvent *event) override;

private:
    void init();

    std::unique_ptr<Ui::MainWindowUI> m_ui;
    InstallingPage *m_pInstallingPage = nullptr;
    UnInstallCompletedPage *m_pCompletedPage = nullptr;
};

} // namespace appinstaller
