#include "controls/ccommandbutton.h"
#include "controls/csecondcommandbutton.h"
#include "ui/customtitlewidget.h"
#include "ui/installingpage.h"
#include "ui/mainwindow.h"
#include "ui/uninstallcompletedpage.h"
#include "ui/upperwidget.h"

#include "sandboxenv.h"

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

using namespace appinstaller;

Q_DECLARE_METATYPE(QMargins)

namespace {

// Finds a widget by a path of object names, each looked up below the last;
// an empty path is the root itself.
QWidget *widgetAt(QWidget *root, const QString &path)
{
    QWidget *widget = root;
    for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!widget)
            return nullptr;
        widget = widget->findChild<QWidget *>(name);
    }
    return widget;
}

QPushButton *closeButtonOf(CustomTitleWidget *title)
{
    return title ? title->findChild<QPushButton *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

bool isReddish(const QColor &c)
{
    return c.red() > 150 && c.red() > c.green() + 60 && c.red() > c.blue() + 60;
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowFrame();
    void widgets_data();
    void widgets();
    void layouts_data();
    void layouts();
    void textsWithoutTranslation_data();
    void textsWithoutTranslation();
    void titleBar();
    void progressPageIsCurrentFromTheStart();
    void finishedSwitchesToCompletionPage();

    void closeChain_data();
    void closeChain();
    void completedButtonCloses();
    void iconButtonDoesNothing();
    void closeRefusedWhileRunning();

    void leftItemsListed();
    void headerBackgroundOnlyOnInnerWidget();
    void styleRulesReachTheirWidgets();

private:
    std::unique_ptr<MainWindow> m_window;
};

void tst_MainWindow::init()
{
    m_window = std::make_unique<MainWindow>(nullptr);
}

void tst_MainWindow::cleanup()
{
    m_window.reset();
}

void tst_MainWindow::windowFrame()
{
    QVERIFY(m_window->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(m_window->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(m_window->windowOpacity(), 1.0);
    QCOMPARE(m_window->palette().brush(QPalette::Active, QPalette::Window).color().alpha(), 0);
    QCOMPARE(m_window->palette().brush(QPalette::Disabled, QPalette::Window).color().alpha(), 0);
    QVERIFY(!m_window->isVisible());

    auto *stack = m_window->findChild<QStackedWidget *>(QStringLiteral("m_pInstallStackedWidget"));
    QVERIFY(stack);
    auto *shadow = qobject_cast<QGraphicsDropShadowEffect *>(stack->graphicsEffect());
    QVERIFY2(shadow, "the shadow belongs on the stacked widget");
    QVERIFY(!m_window->graphicsEffect());
    QCOMPARE(shadow->offset(), QPointF(0, 0));
    QCOMPARE(shadow->color(), QColor(0, 0, 0, 114));
    QCOMPARE(shadow->blurRadius(), 12.0);
    QCOMPARE(stack->count(), 2);
    QVERIFY(qobject_cast<InstallingPage *>(stack->widget(0)));
    QVERIFY(qobject_cast<UnInstallCompletedPage *>(stack->widget(1)));
}

void tst_MainWindow::widgets_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");

    const int M = QWIDGETSIZE_MAX;
    QTest::newRow("window") << "" << "appinstaller::MainWindow" << QSize(744, 504) << QSize(744, 504);
    QTest::newRow("stack") << "m_pInstallStackedWidget" << "QStackedWidget" << QSize(0, 480) << QSize(M, 480);
    for (const char *page : {"InstallingUI", "UnInstallCompletedUI"}) {
        const QString p = QString::fromLatin1(page);
        QTest::addRow("%s band", page) << p + "/m_pUpperWidget" << "appinstaller::UpperWidget" << QSize(0, 320)
                                       << QSize(M, 320);
        QTest::addRow("%s header", page) << p + "/m_pUpperWidget/m_pUpperWidget" << "QWidget" << QSize(0, 0)
                                         << QSize(M, M);
        QTest::addRow("%s title bar", page) << p + "/m_pTopTitleWidget" << "appinstaller::CustomTitleWidget"
                                            << QSize(0, 60) << QSize(M, 60);
        QTest::addRow("%s bottom", page) << p + "/m_pBottomWidget" << "QWidget" << QSize(0, 160) << QSize(M, 160);
    }
    QTest::newRow("progress page") << "InstallingUI" << "appinstaller::InstallingPage" << QSize(720, 480)
                                   << QSize(720, 480);
    QTest::newRow("progress container") << "InstallingUI/m_pContainerWidget" << "QWidget" << QSize(720, 480)
                                        << QSize(720, 480);
    QTest::newRow("step label") << "InstallingUI/m_pInstallingLabel" << "QLabel" << QSize(160, 24) << QSize(M, 24);
    QTest::newRow("percent label") << "InstallingUI/m_pInstallProgressLabel" << "QLabel" << QSize(160, 24)
                                   << QSize(M, 24);
    QTest::newRow("track") << "InstallingUI/m_pWidgetProcessBar" << "QWidget" << QSize(648, 16) << QSize(648, 16);
    QTest::newRow("fill") << "InstallingUI/frame" << "QFrame" << QSize(0, 0) << QSize(0, M);
    QTest::newRow("cancel") << "InstallingUI/m_pCancelBtn" << "Varnel::CSecondCommandButton" << QSize(88, 32)
                            << QSize(88, 32);
    QTest::newRow("completion page") << "UnInstallCompletedUI" << "appinstaller::UnInstallCompletedPage"
                                     << QSize(720, 480) << QSize(720, 480);
    QTest::newRow("completion container") << "UnInstallCompletedUI/m_pContainerWidget" << "QWidget" << QSize(0, 0)
                                          << QSize(M, M);
    QTest::newRow("icon") << "UnInstallCompletedUI/m_pIconToolBtn" << "QPushButton" << QSize(32, 32)
                          << QSize(32, 32);
    QTest::newRow("message") << "UnInstallCompletedUI/m_pInstallInfoLabel" << "QLabel" << QSize(0, 0) << QSize(M, M);
    QTest::newRow("completed") << "UnInstallCompletedUI/m_pCompletedBtn" << "Varnel::CCommandButton"
                               << QSize(88, 32) << QSize(M, M);
}

void tst_MainWindow::widgets()
{
    QFETCH(QString, path);
    QFETCH(QString, className);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);

    QWidget *widget = widgetAt(m_window.get(), path);
    QVERIFY2(widget, qPrintable(path));
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->minimumSize(), minimum);
    QCOMPARE(widget->maximumSize(), maximum);
}

void tst_MainWindow::layouts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("layoutName");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QMargins>("margins");

    QTest::newRow("window") << "" << "gridLayout_2" << 0 << QMargins(12, 12, 12, 12);
    QTest::newRow("progress page") << "InstallingUI" << "gridLayout" << 0 << QMargins();
    QTest::newRow("progress bottom") << "InstallingUI/m_pBottomWidget" << "gridLayout_3" << 6
                                     << QMargins(36, 26, 36, 24);
    QTest::newRow("track") << "InstallingUI/m_pWidgetProcessBar" << "horizontalLayout_3" << 0
                           << QMargins(3, 3, 3, 3);
    QTest::newRow("step row") << "InstallingUI/m_pBottomWidget" << "horizontalLayout" << 0 << QMargins();
    QTest::newRow("completion page") << "UnInstallCompletedUI" << "gridLayout_2" << 0 << QMargins();
    QTest::newRow("completion bottom") << "UnInstallCompletedUI/m_pBottomWidget" << "gridLayout_3" << 6
                                       << QMargins(36, 32, 36, 24);
    QTest::newRow("band") << "InstallingUI/m_pUpperWidget" << "gridLayout" << 0 << QMargins();
    QTest::newRow("header") << "InstallingUI/m_pUpperWidget/m_pUpperWidget" << "gridLayout_2" << 0 << QMargins();
}

void tst_MainWindow::layouts()
{
    QFETCH(QString, path);
    QFETCH(QString, layoutName);
    QFETCH(int, spacing);
    QFETCH(QMargins, margins);

    QWidget *widget = widgetAt(m_window.get(), path);
    QVERIFY(widget);
    auto *layout = widget->findChild<QLayout *>(layoutName);
    QVERIFY2(layout, qPrintable(layoutName));
    QCOMPARE(layout->spacing(), spacing);
    QCOMPARE(layout->contentsMargins(), margins);
}

void tst_MainWindow::textsWithoutTranslation_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");

    QTest::newRow("cancel") << "InstallingUI/m_pCancelBtn" << "UndoMerge";
    QTest::newRow("message") << "UnInstallCompletedUI/m_pInstallInfoLabel" << "Uninstalled";
    QTest::newRow("completed") << "UnInstallCompletedUI/m_pCompletedBtn" << "Completed";
    QTest::newRow("step") << "InstallingUI/m_pInstallingLabel" << "";
    QTest::newRow("percent") << "InstallingUI/m_pInstallProgressLabel" << "";
    QTest::newRow("icon") << "UnInstallCompletedUI/m_pIconToolBtn" << "";
}

void tst_MainWindow::textsWithoutTranslation()
{
    QFETCH(QString, path);
    QFETCH(QString, text);

    QWidget *widget = widgetAt(m_window.get(), path);
    QVERIFY(widget);
    const QString actual = widget->property("text").toString();
    QCOMPARE(actual, text);

    // Every form sets its top widget's title from the same key.
    QCOMPARE(m_window->windowTitle(), QStringLiteral("MainWindowUI"));
    for (const char *name : {"InstallingUI", "UnInstallCompletedUI", "m_pUpperWidget"})
        QCOMPARE(widgetAt(m_window.get(), QString::fromLatin1(name))->windowTitle(), QStringLiteral("MainWindowUI"));
}

void tst_MainWindow::titleBar()
{
    for (auto *title : m_window->findChildren<CustomTitleWidget *>()) {
        const auto labels = title->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(labels.size(), 2);
        QPushButton *close = closeButtonOf(title);
        QVERIFY(close);
        // Nothing in the title bar carries a name a style rule could address.
        for (QObject *child : title->children())
            QVERIFY(child->objectName().isEmpty());
        QCOMPARE(labels.at(0)->size(), QSize(32, 32));
        QVERIFY(!labels.at(0)->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(labels.at(0)->pixmap(Qt::ReturnByValue).size(), QSize(32, 32));
        QCOMPARE(labels.at(1)->text(), QStringLiteral("QuintreluZxkRHANyR"));
        QCOMPARE(labels.at(1)->styleSheet().size(), 76);
        QCOMPARE(close->size(), QSize(24, 24));
        QVERIFY(close->text().isEmpty());
        QCOMPARE(title->layout()->contentsMargins(), QMargins(20, 16, 16, 0));
    }
    QCOMPARE(m_window->findChildren<CustomTitleWidget *>().size(), 2);
}

void tst_MainWindow::progressPageIsCurrentFromTheStart()
{
    auto *stack = m_window->findChild<QStackedWidget *>(QStringLiteral("m_pInstallStackedWidget"));
    QCOMPARE(stack->currentWidget(), widgetAt(m_window.get(), QStringLiteral("InstallingUI")));
}

void tst_MainWindow::finishedSwitchesToCompletionPage()
{
    auto *page = m_window->findChild<InstallingPage *>();
    page->onProcessInfo(30, QStringLiteral("half"));
    emit page->signalunInstallFinished();
    auto *stack = m_window->findChild<QStackedWidget *>(QStringLiteral("m_pInstallStackedWidget"));
    QCOMPARE(stack->currentWidget(), widgetAt(m_window.get(), QStringLiteral("UnInstallCompletedUI")));
    QCOMPARE(widgetAt(m_window.get(), QStringLiteral("UnInstallCompletedUI/m_pInstallInfoLabel"))
                 ->property("text").toString(),
             QStringLiteral("Uninstalled"));
}

void tst_MainWindow::closeChain_data()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("progress page") << "InstallingUI";
    QTest::newRow("completion page") << "UnInstallCompletedUI";
}

void tst_MainWindow::closeChain()
{
    QFETCH(QString, page);

    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QWidget *pageWidget = widgetAt(m_window.get(), page);
    auto *band = qobject_cast<UpperWidget *>(widgetAt(pageWidget, QStringLiteral("m_pUpperWidget")));
    auto *title = pageWidget->findChild<CustomTitleWidget *>();
    QVERIFY(band && title);

    QSignalSpy titleSpy(title, &CustomTitleWidget::signalClose);
    QSignalSpy bandSpy(band, &UpperWidget::signalClose);
    QSignalSpy pageSpy(pageWidget, SIGNAL(signalClose()));
    m_window->findChild<QStackedWidget *>()->setCurrentWidget(pageWidget);

    QTest::mouseClick(closeButtonOf(title), Qt::LeftButton);
    QCOMPARE(titleSpy.count(), 1);
    QCOMPARE(bandSpy.count(), 1);
    QCOMPARE(pageSpy.count(), 1);
    QVERIFY(!m_window->isVisible());
}

void tst_MainWindow::completedButtonCloses()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto *page = m_window->findChild<UnInstallCompletedPage *>();
    QSignalSpy spy(page, &UnInstallCompletedPage::signalClose);
    m_window->onFinishedUnInstall();
    QTest::mouseClick(page->findChild<Varnel::CCommandButton *>(QStringLiteral("m_pCompletedBtn")), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QVERIFY(!m_window->isVisible());
}

void tst_MainWindow::iconButtonDoesNothing()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto *page = m_window->findChild<UnInstallCompletedPage *>();
    m_window->onFinishedUnInstall();
    QSignalSpy spy(page, &UnInstallCompletedPage::signalClose);
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("m_pIconToolBtn")), Qt::LeftButton);
    QCOMPARE(spy.count(), 0);
    QVERIFY(m_window->isVisible());
}

void tst_MainWindow::closeRefusedWhileRunning()
{
    // With no AppConfig.xml beside the test the engine has nothing to remove
    // outside this process's private home; it runs through all the same.
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto *page = m_window->findChild<InstallingPage *>();
    QSignalSpy finished(page, &InstallingPage::signalunInstallFinished);
    m_window->onUninstall();
    QVERIFY(!page->findChild<QWidget *>(QStringLiteral("m_pCancelBtn"))->isVisible());

    // The end of the run has not reached the GUI thread yet: still running.
    QVERIFY(!m_window->close());
    QVERIFY(m_window->isVisible());

    QTRY_COMPARE(finished.count(), 1);
    auto *stack = m_window->findChild<QStackedWidget *>(QStringLiteral("m_pInstallStackedWidget"));
    QCOMPARE(stack->currentWidget(), m_window->findChild<UnInstallCompletedPage *>());
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
}

void tst_MainWindow::leftItemsListed()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto *page = m_window->findChild<UnInstallCompletedPage *>();
    const QString longPath = QStringLiteral("/srv/products/") + QString(300, QLatin1Char('x')) + QStringLiteral("/tail.dat");
    page->setLeftItems({{longPath, LeftItem::Reason::NotRemoved}, {QString(), LeftItem::Reason::InvalidPath}});
    m_window->findChild<QStackedWidget *>()->setCurrentWidget(page);
    QCoreApplication::processEvents();

    auto *list = page->findChild<QListWidget *>(QStringLiteral("m_pLeftItemsList"));
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->count(), 2);
    QVERIFY(!page->findChild<QWidget *>(QStringLiteral("m_pIconToolBtn"))->isVisible());
    QCOMPARE(widgetAt(page, QStringLiteral("m_pInstallInfoLabel"))->property("text").toString(),
             QStringLiteral("UninstalledItemsRemainQfTzWbKd"));
    // The long path is shortened in its middle to fit; the whole one is its tooltip.
    const QString shown = list->item(0)->text();
    QVERIFY2(shown.startsWith(QLatin1String("/srv/")) && shown.contains(QLatin1String("tail.dat")), qPrintable(shown));
    QVERIFY(shown.contains(QChar(0x2026)));
    QVERIFY(QFontMetrics(list->font()).horizontalAdvance(shown) <= list->viewport()->width());
    QCOMPARE(list->item(0)->toolTip(), longPath);
    QCOMPARE(list->item(1)->toolTip(), QStringLiteral("\"\""));

    // A later run that left nothing says so again.
    page->setLeftItems({});
    QVERIFY(!list->isVisible());
    QCOMPARE(widgetAt(page, QStringLiteral("m_pInstallInfoLabel"))->property("text").toString(), QStringLiteral("Uninstalled"));
}

void tst_MainWindow::headerBackgroundOnlyOnInnerWidget()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QWidget *band = widgetAt(m_window.get(), QStringLiteral("InstallingUI/m_pUpperWidget"));
    QWidget *inner = widgetAt(band, QStringLiteral("m_pUpperWidget"));
    QWidget *container = widgetAt(band, QStringLiteral("m_pContainerWidget"));
    QVERIFY(band && inner && container && inner != band);

    const QPoint probe(360, 200);
    QVERIFY(isReddish(band->grab().toImage().pixelColor(probe)));
    // Without the inner widget the band itself shows no picture.
    container->hide();
    QVERIFY(!isReddish(band->grab().toImage().pixelColor(probe)));
}

void tst_MainWindow::styleRulesReachTheirWidgets()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->onFinishedUnInstall();
    QCoreApplication::processEvents();

    auto *message = qobject_cast<QLabel *>(widgetAt(m_window.get(), QStringLiteral("UnInstallCompletedUI/m_pInstallInfoLabel")));
    QCOMPARE(message->palette().color(QPalette::WindowText), QColor(0x02, 0xBF, 0x0F));
    QCOMPARE(message->font().pixelSize(), 20);
    QVERIFY(message->font().bold());

    for (const char *name : {"m_pInstallingLabel", "m_pInstallProgressLabel"}) {
        auto *label = qobject_cast<QLabel *>(widgetAt(m_window.get(), QStringLiteral("InstallingUI/") + QLatin1String(name)));
        label->ensurePolished();
        QCOMPARE(label->font().pixelSize(), 14);
        const QColor color = label->palette().color(QPalette::WindowText);
        QCOMPARE(color.rgb() & 0xFFFFFF, 0u);
        QVERIFY2(qAbs(color.alpha() - 0.70 * 255) <= 1.0, qPrintable(QString::number(color.alpha())));
    }

    // The white lower part and the green success mark.
    const QImage bottom = widgetAt(m_window.get(), QStringLiteral("UnInstallCompletedUI/m_pBottomWidget"))->grab().toImage();
    QCOMPARE(bottom.pixelColor(10, 80), QColor(Qt::white));
    const QImage icon = widgetAt(m_window.get(), QStringLiteral("UnInstallCompletedUI/m_pIconToolBtn"))->grab().toImage();
    const QColor mark = icon.pixelColor(6, 16);
    QVERIFY2(mark.green() > 150 && mark.red() < 80 && mark.blue() < 80, qPrintable(mark.name()));
}

int main(int argc, char **argv)
{
    SandboxEnv sandbox;
    QApplication app(argc, argv);
    if (!sandbox.isValid())
        return 1;
    tst_MainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
