#include "ui/mainwindow.h"

#include "controls/cfile.h"
#include "ui/installingpage.h"
#include "ui/uninstallcompletedpage.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QGraphicsDropShadowEffect>

namespace appinstaller {

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::MainWindowUI>())
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    m_ui->setupUi(this);
    init();
}

MainWindow::~MainWindow() = default;

void MainWindow::init()
{
    if (!m_pInstallingPage) {
        m_pInstallingPage = new InstallingPage(this);
        m_ui->m_pInstallStackedWidget->addWidget(m_pInstallingPage);
    }
    if (!m_pCompletedPage) {
        m_pCompletedPage = new UnInstallCompletedPage(this);
        m_ui->m_pInstallStackedWidget->addWidget(m_pCompletedPage);
    }

    const QString qssDir = QStringLiteral(":/Uninstall/Qss/");
    const QStringList qssFiles = QDir(qssDir).entryList(QDir::Files);
    setStyleSheet(Varnel::CFile::ReadAll(qssFiles, qssDir));

    connect(m_pInstallingPage, &InstallingPage::signalunInstallFinished, this, &MainWindow::onFinishedUnInstall);
    connect(m_pInstallingPage, &InstallingPage::signalClose, this, &QWidget::close);
    connect(m_pCompletedPage, &UnInstallCompletedPage::signalClose, this, &QWidget::close);

    m_ui->m_pInstallStackedWidget->setCurrentWidget(m_pInstallingPage);

    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setOffset(0, 0);
    shadow->setColor(QColor(0, 0, 0, 114));
    shadow->setBlurRadius(12.0);
    m_ui->m_pInstallStackedWidget->setGraphicsEffect(shadow);

    setAutoFillBackground(true);
    QPalette transparent = palette();
    transparent.setBrush(QPalette::Window, QBrush(Qt::transparent));
    setPalette(transparent);
    setWindowOpacity(1.0);
    setAttribute(Qt::WA_TranslucentBackground);
}

void MainWindow::onFinishedUnInstall()
{
    m_pCompletedPage->setLeftItems(m_pInstallingPage->leftItems());
    m_ui->m_pInstallStackedWidget->setCurrentWidget(m_pCompletedPage);
}

void MainWindow::onUninstall()
{
    m_ui->m_pInstallStackedWidget->setCurrentWidget(m_pInstallingPage);
    m_pInstallingPage->startUnInstall();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_pInstallingPage && m_pInstallingPage->isUnInstalling()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace appinstaller
