#include "engine/installprocessmgr.h"
#include "ui/installingpage.h"

#include "sandboxenv.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

using namespace appinstaller;

class tst_InstallingPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsEmpty();
    void report_data();
    void report();
    void eachReportSetsTheFillFromScratch();
    void engineReportsReachThePage();
    void runEndsOnceAfterTheLastReport();

private:
    QLabel *label(const char *name) const { return m_page->findChild<QLabel *>(QLatin1String(name)); }
    QFrame *fill() const { return m_page->findChild<QFrame *>(QStringLiteral("frame")); }
    std::unique_ptr<InstallingPage> m_page;
};

void tst_InstallingPage::init()
{
    m_page = std::make_unique<InstallingPage>(nullptr);
}

void tst_InstallingPage::cleanup()
{
    m_page.reset();
}

void tst_InstallingPage::startsEmpty()
{
    QVERIFY(label("m_pInstallingLabel")->text().isEmpty());
    QVERIFY(label("m_pInstallProgressLabel")->text().isEmpty());
    QCOMPARE(fill()->width(), 0);
    QCOMPARE(fill()->maximumWidth(), 0);
    QVERIFY(!m_page->findChild<QWidget *>(QStringLiteral("m_pCancelBtn"))->isHidden());
    QCOMPARE(m_page->findChild<QWidget *>(QStringLiteral("m_pWidgetProcessBar"))->styleSheet(),
             QStringLiteral("border:1px solid rgba(0,0,0,0.2);border-radius:8px"));
    QCOMPARE(fill()->styleSheet(), QStringLiteral("background:red; border-radius:5px; border:none;"));
}

void tst_InstallingPage::report_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("percentText");
    QTest::addColumn<int>("fillWidth");

    QTest::newRow("0") << 0 << "0%" << 0;
    QTest::newRow("30") << 30 << "30%" << 192;
    QTest::newRow("60") << 60 << "60%" << 385;
    QTest::newRow("100") << 100 << "100%" << 642;
}

void tst_InstallingPage::report()
{
    QFETCH(int, percent);
    QFETCH(QString, percentText);
    QFETCH(int, fillWidth);

    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    const QString step = QStringLiteral("step text %1").arg(percent);
    m_page->onProcessInfo(percent, step);
    QCOMPARE(label("m_pInstallingLabel")->text(), step);
    QCOMPARE(label("m_pInstallProgressLabel")->text(), percentText);
    QCOMPARE(fill()->minimumWidth(), fillWidth);
    QCOMPARE(fill()->maximumWidth(), fillWidth);
    QCoreApplication::processEvents();
    QCOMPARE(fill()->width(), fillWidth);
}

void tst_InstallingPage::eachReportSetsTheFillFromScratch()
{
    m_page->onProcessInfo(60, QStringLiteral("a"));
    m_page->onProcessInfo(0, QStringLiteral("b"));
    QCOMPARE(fill()->maximumWidth(), 0);
    QCOMPARE(label("m_pInstallProgressLabel")->text(), QStringLiteral("0%"));
}

void tst_InstallingPage::engineReportsReachThePage()
{
    emit Base::CSingleton<InstallProcessMgr>::instance()->signalProcess(30, QStringLiteral("from the engine"));
    QCOMPARE(label("m_pInstallingLabel")->text(), QStringLiteral("from the engine"));
    QCOMPARE(fill()->maximumWidth(), 192);
}

void tst_InstallingPage::runEndsOnceAfterTheLastReport()
{
    // No AppConfig.xml beside the test: the engine finds nothing to remove,
    // and this process's home is a private folder.
    QStringList seen;
    QSignalSpy finished(m_page.get(), &InstallingPage::signalunInstallFinished);
    connect(Base::CSingleton<InstallProcessMgr>::instance(), &InstallProcessMgr::signalProcess, m_page.get(),
            [&seen](int percent, const QString &) { seen << QString::number(percent); });
    connect(m_page.get(), &InstallingPage::signalunInstallFinished, m_page.get(), [&seen, this] {
        seen << QStringLiteral("finished:") + label("m_pInstallProgressLabel")->text();
    });

    m_page->show();
    m_page->startUnInstall();
    QVERIFY(m_page->findChild<QWidget *>(QStringLiteral("m_pCancelBtn"))->isHidden());
    QVERIFY(m_page->isUnInstalling());
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(!m_page->isUnInstalling());
    QCOMPARE(seen, QStringList({"0", "30", "60", "100", "finished:100%"}));
    QCOMPARE(fill()->maximumWidth(), 642);
    // Destroying the page right away is safe: it waits for its thread.
    m_page.reset();
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
}

int main(int argc, char **argv)
{
    SandboxEnv sandbox;
    QApplication app(argc, argv);
    if (!sandbox.isValid())
        return 1;
    tst_InstallingPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_installingpage.moc"
