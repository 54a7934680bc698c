#include "ui/installingpage.h"

#include "engine/installprocessmgr.h"
#include "engine/uninstallthread.h"
#include "ui/upperwidget.h"
#include "ui_installingpage.h"

namespace appinstaller {

InstallingPage::InstallingPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::InstallingUI>())
{
    m_ui->setupUi(this);
    init();
}

InstallingPage::~InstallingPage()
{
    if (m_pThread)
        m_pThread->wait();
}

void InstallingPage::init()
{
    m_ui->frame->setFixedWidth(0);
    update();

    m_ui->m_pWidgetProcessBar->setStyleSheet(
        QStringLiteral("border:1px solid rgba(0,0,0,0.2);border-radius:8px"));
    m_ui->frame->setStyleSheet(QStringLiteral("background:red; border-radius:5px; border:none;"));

    connect(m_ui->m_pUpperWidget, &UpperWidget::signalClose, this, &InstallingPage::signalClose);

    // The first request of the engine: it is created here, on the GUI thread.
    InstallProcessMgr *engine = Base::CSingleton<InstallProcessMgr>::instance();
    connect(engine, &InstallProcessMgr::signalProcess, this, &InstallingPage::onProcessInfo);
    connect(engine, &InstallProcessMgr::signalLeftItems, this, &InstallingPage::onLeftItems);
}

void InstallingPage::startUnInstall()
{
    // The removal cannot be undone half-way, so there is no cancelling it.
    m_ui->m_pCancelBtn->hide();

    m_pThread = new UnInstallThread(this);
    // Connected first, so the page no longer counts as busy when the window
    // learns that the run has ended.
    connect(m_pThread, &QThread::finished, this, [this] { m_bRunning = false; });
    connect(m_pThread, &QThread::finished, this, &InstallingPage::signalunInstallFinished);
    m_bRunning = true;
    m_pThread->start(QThread::InheritPriority);
}

bool InstallingPage::isUnInstalling() const
{
    return m_bRunning;
}

void InstallingPage::onProcessInfo(int iProcess, const QString &strProcessName)
{
    m_ui->m_pInstallingLabel->setText(strProcessName);
    m_ui->m_pInstallProgressLabel->setText(QString::number(iProcess) + QLatin1Char('%'));
    // The track has an inner gap of 3 px on each side.
    const int trackWidth = m_ui->m_pWidgetProcessBar->width();
    m_ui->frame->setFixedWidth(((trackWidth - 6) * iProcess) / 100);
    update();
}

void InstallingPage::onLeftItems(const LeftItems &items)
{
    m_leftItems = items;
}

} // namespace appinstaller
