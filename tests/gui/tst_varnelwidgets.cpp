// The widget library's title bar and command buttons: class identities that
// style sheets and casts rely on, window dragging, double-click, the button
// states, their painting and their style-sheet properties.

#include "controls/ccommandbutton.h"
#include "controls/cfancytitle.h"
#include "controls/cmodaltipdialog.h"
#include "controls/cpushbutton.h"
#include "controls/csecondcommandbutton.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QMouseEvent>
#include <QScopedPointer>
#include <QtTest>

namespace {

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &local, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(local), QPointF(target->mapTo(target->window(), local)),
                      QPointF(target->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Moves the cursor to a global point while the buttons are held.
void sendMoveTo(QWidget *target, const QPoint &global, Qt::MouseButtons buttons)
{
    const QPoint local = target->mapFromGlobal(global);
    QMouseEvent event(QEvent::MouseMove, QPointF(local), QPointF(target->mapTo(target->window(), local)),
                      QPointF(global), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

struct TitledWindow
{
    explicit TitledWindow(bool fixedSize)
    {
        window.reset(new QWidget);
        auto *layout = new QHBoxLayout(window.data());
        title = new Varnel::CFancyTitle(window.data());
        title->setFixedHeight(40);
        layout->addWidget(title);
        if (fixedSize)
            window->setFixedSize(300, 200);
        else
            window->resize(300, 200);
        window->move(100, 100);
        window->show();
    }

    QScopedPointer<QWidget> window;
    Varnel::CFancyTitle *title = nullptr;
};

QColor pixelAt(QWidget *widget, const QPoint &point)
{
    const QImage image = widget->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(int(point.x() * ratio), int(point.y() * ratio));
}

// A point inside the fill, clear of the text and the antialiased edge.
QPoint fillPoint(QWidget *button)
{
    return QPoint(4, button->height() / 2);
}

} // namespace

class TestVarnelWidgets : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void classNames_data();
    void classNames();
    void titleIsFrameAndSizeFactory();
    void titleSetsNoLayout();
    void dragMovesWindow_data();
    void dragMovesWindow();
    void dragOnlyWithLeftButton();
    void doubleClick_data();
    void doubleClick();
    void buttonStates_data();
    void buttonStates();
    void buttonPaintsStateColours_data();
    void buttonPaintsStateColours();
    void hoverDroppedWhenWindowGoes_data();
    void hoverDroppedWhenWindowGoes();
    void hoverFollowsReparenting();
    void cursor();
    void styleSheetSetsColours();
    void sizeHint();
};

void TestVarnelWidgets::cleanup()
{
    qApp->setStyleSheet(QString());
}

void TestVarnelWidgets::classNames_data()
{
    QTest::addColumn<QObject *>("object");
    QTest::addColumn<QStringList>("chain");

    QTest::newRow("title") << static_cast<QObject *>(new Varnel::CFancyTitle)
                           << QStringList{QStringLiteral("Varnel::CFancyTitle"), QStringLiteral("Varnel::CFrame"),
                                          QStringLiteral("QFrame")};
    QTest::newRow("primary button")
        << static_cast<QObject *>(new Varnel::CCommandButton)
        << QStringList{QStringLiteral("Varnel::CCommandButton"), QStringLiteral("Varnel::CPushButton"),
                       QStringLiteral("QPushButton")};
    QTest::newRow("secondary button")
        << static_cast<QObject *>(new Varnel::CSecondCommandButton)
        << QStringList{QStringLiteral("Varnel::CSecondCommandButton"), QStringLiteral("Varnel::CPushButton"),
                       QStringLiteral("QPushButton")};
    QTest::newRow("dialog") << static_cast<QObject *>(new Varnel::CModalTipDialog)
                            << QStringList{QStringLiteral("Varnel::CModalTipDialog"), QStringLiteral("QDialog")};
}

void TestVarnelWidgets::classNames()
{
    QFETCH(QObject *, object);
    QFETCH(QStringList, chain);
    QScopedPointer<QObject> owner(object);

    const QMetaObject *meta = object->metaObject();
    for (const QString &name : chain) {
        QVERIFY(meta);
        QCOMPARE(QString::fromLatin1(meta->className()), name);
        meta = meta->superClass();
    }
}

void TestVarnelWidgets::titleIsFrameAndSizeFactory()
{
    Varnel::CFancyTitle title;
    QVERIFY(qobject_cast<Varnel::CFrame *>(&title));
    QVERIFY(qobject_cast<QFrame *>(&title));
    QVERIFY(dynamic_cast<Varnel::CWidgetSizeFactory *>(&title));
}

void TestVarnelWidgets::titleSetsNoLayout()
{
    Varnel::CFancyTitle title;
    QVERIFY(!title.layout());
    auto *layout = new QHBoxLayout(&title);
    QCOMPARE(title.layout(), layout);
}

void TestVarnelWidgets::dragMovesWindow_data()
{
    QTest::addColumn<bool>("fixedSize");
    QTest::addColumn<QPoint>("grab");
    QTest::addColumn<QVector<QPoint>>("steps");

    QTest::newRow("fixed window, one step") << true << QPoint(10, 10) << QVector<QPoint>{QPoint(50, 30)};
    QTest::newRow("resizable window, one step") << false << QPoint(10, 10) << QVector<QPoint>{QPoint(50, 30)};
    QTest::newRow("several steps, back and forth")
        << true << QPoint(120, 20) << QVector<QPoint>{QPoint(5, 0), QPoint(-40, 12), QPoint(80, -60)};
    QTest::newRow("to negative coordinates") << true << QPoint(30, 5) << QVector<QPoint>{QPoint(-250, -180)};
}

void TestVarnelWidgets::dragMovesWindow()
{
    QFETCH(bool, fixedSize);
    QFETCH(QPoint, grab);
    QFETCH(QVector<QPoint>, steps);

    TitledWindow w(fixedSize);
    QVERIFY(QTest::qWaitForWindowExposed(w.window.data()));
    const QPoint start = w.window->pos();
    QPoint cursor = w.title->mapToGlobal(grab);
    sendMouse(w.title, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(w.title->isDragging());

    QPoint moved;
    for (const QPoint &step : steps) {
        cursor += step;
        moved += step;
        sendMoveTo(w.title, cursor, Qt::LeftButton);
        QCOMPARE(w.window->pos(), start + moved);
    }
    sendMouse(w.title, QEvent::MouseButtonRelease, w.title->mapFromGlobal(cursor), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!w.title->isDragging());

    // Moving without a held button after the release leaves the window.
    sendMoveTo(w.title, cursor + QPoint(33, 33), Qt::NoButton);
    QCOMPARE(w.window->pos(), start + moved);
}

void TestVarnelWidgets::dragOnlyWithLeftButton()
{
    TitledWindow w(true);
    QVERIFY(QTest::qWaitForWindowExposed(w.window.data()));
    const QPoint start = w.window->pos();
    sendMouse(w.title, QEvent::MouseButtonPress, QPoint(10, 10), Qt::RightButton, Qt::RightButton);
    QVERIFY(!w.title->isDragging());
    sendMoveTo(w.title, w.title->mapToGlobal(QPoint(60, 60)), Qt::RightButton);
    QCOMPARE(w.window->pos(), start);
}

void TestVarnelWidgets::doubleClick_data()
{
    QTest::addColumn<bool>("fixedSize");
    QTest::addColumn<bool>("maximisedAfterFirst");

    QTest::newRow("fixed size: nothing") << true << false;
    QTest::newRow("resizable: maximise, then restore") << false << true;
}

void TestVarnelWidgets::doubleClick()
{
    QFETCH(bool, fixedSize);
    QFETCH(bool, maximisedAfterFirst);

    TitledWindow w(fixedSize);
    QVERIFY(QTest::qWaitForWindowExposed(w.window.data()));
    const QSize size = w.window->size();
    sendMouse(w.title, QEvent::MouseButtonDblClick, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(w.window->isMaximized(), maximisedAfterFirst);
    if (!maximisedAfterFirst) {
        QCOMPARE(w.window->size(), size);
        return;
    }
    sendMouse(w.title, QEvent::MouseButtonDblClick, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!w.window->isMaximized());
}

void TestVarnelWidgets::buttonStates_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("primary") << QStringLiteral("primary");
    QTest::newRow("secondary") << QStringLiteral("secondary");
}

static Varnel::CPushButton *makeButton(const QString &kind, QWidget *parent)
{
    if (kind == QLatin1String("primary"))
        return new Varnel::CCommandButton(QStringLiteral("OK"), parent);
    return new Varnel::CSecondCommandButton(QStringLiteral("Cancel"), parent);
}

void TestVarnelWidgets::buttonStates()
{
    QFETCH(QString, kind);
    QWidget window;
    Varnel::CPushButton *button = makeButton(kind, &window);
    button->setGeometry(10, 10, 88, 32);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(button->visualState(), Varnel::CPushButton::Normal);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    QCOMPARE(button->visualState(), Varnel::CPushButton::Hovered);
    button->setDown(true);
    QCOMPARE(button->visualState(), Varnel::CPushButton::Pressed);
    button->setDown(false);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    QCOMPARE(button->visualState(), Varnel::CPushButton::Normal);

    QApplication::sendEvent(button, &enter);
    button->setEnabled(false);
    QCOMPARE(button->visualState(), Varnel::CPushButton::Disabled);
    QVERIFY(!button->isHovered());
    // A disabled button does not light up under the cursor.
    QApplication::sendEvent(button, &enter);
    button->setEnabled(true);
    QCOMPARE(button->visualState(), Varnel::CPushButton::Normal);

    // It still behaves as a push button.
    QSignalSpy clicked(button, &QPushButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
}

void TestVarnelWidgets::buttonPaintsStateColours_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("state");
    for (const QString &kind : {QStringLiteral("primary"), QStringLiteral("secondary")}) {
        for (const QString &state : {QStringLiteral("normal"), QStringLiteral("hovered"), QStringLiteral("pressed")})
            QTest::newRow(qPrintable(kind + QLatin1Char(' ') + state)) << kind << state;
    }
}

void TestVarnelWidgets::buttonPaintsStateColours()
{
    QFETCH(QString, kind);
    QFETCH(QString, state);
    QWidget window;
    Varnel::CPushButton *button = makeButton(kind, &window);
    button->setGeometry(0, 0, 120, 36);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QColor expected = button->backgroundColor();
    if (state == QLatin1String("hovered")) {
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(button, &enter);
        expected = button->hoverBackgroundColor();
    } else if (state == QLatin1String("pressed")) {
        button->setDown(true);
        expected = button->pressedBackgroundColor();
    }
    QCOMPARE(pixelAt(button, fillPoint(button)).name(), expected.name());
}

void TestVarnelWidgets::hoverDroppedWhenWindowGoes_data()
{
    QTest::addColumn<int>("eventType");
    QTest::newRow("window deactivated") << int(QEvent::WindowDeactivate);
    QTest::newRow("window blocked by a modal dialog") << int(QEvent::WindowBlocked);
    QTest::newRow("window hidden") << int(QEvent::Hide);
}

void TestVarnelWidgets::hoverDroppedWhenWindowGoes()
{
    QFETCH(int, eventType);
    QWidget window;
    auto *inner = new QWidget(&window);
    auto *button = new Varnel::CCommandButton(QStringLiteral("OK"), inner);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    QVERIFY(button->isHovered());
    QEvent event(static_cast<QEvent::Type>(eventType));
    QApplication::sendEvent(&window, &event);
    QVERIFY(!button->isHovered());
}

void TestVarnelWidgets::hoverFollowsReparenting()
{
    QWidget first;
    QWidget second;
    auto *button = new Varnel::CCommandButton(QStringLiteral("OK"), &first);
    button->setParent(&second);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    QVERIFY(button->isHovered());

    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&first, &deactivate);
    QVERIFY(button->isHovered());
    QApplication::sendEvent(&second, &deactivate);
    QVERIFY(!button->isHovered());
}

void TestVarnelWidgets::cursor()
{
    QWidget window;
    auto *button = new Varnel::CCommandButton(&window);
    QVERIFY(button->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    button->setEnabled(false);
    QVERIFY(!button->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(button->cursor().shape(), Qt::ArrowCursor);
    button->setEnabled(true);
    QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
}

void TestVarnelWidgets::styleSheetSetsColours()
{
    qApp->setStyleSheet(QStringLiteral("Varnel--CCommandButton { qproperty-backgroundColor: #123456; }"
                                       "Varnel--CPushButton { qproperty-borderRadius: 0; }"));
    QWidget window;
    auto *primary = new Varnel::CCommandButton(QStringLiteral("OK"), &window);
    auto *secondary = new Varnel::CSecondCommandButton(QStringLiteral("Cancel"), &window);
    primary->setGeometry(0, 0, 100, 32);
    secondary->setGeometry(0, 40, 100, 32);
    const QColor secondaryBefore = secondary->backgroundColor();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(primary->backgroundColor(), QColor(0x12, 0x34, 0x56));
    QCOMPARE(primary->borderRadius(), 0);
    QCOMPARE(secondary->borderRadius(), 0);
    QCOMPARE(secondary->backgroundColor(), secondaryBefore);
    // With no radius the very corner is filled too.
    QCOMPARE(pixelAt(primary, QPoint(1, 1)).name(), QStringLiteral("#123456"));
}

void TestVarnelWidgets::sizeHint()
{
    Varnel::CCommandButton shortText(QStringLiteral("OK"));
    QVERIFY(shortText.sizeHint().width() >= 88);
    QVERIFY(shortText.sizeHint().height() >= 32);
    Varnel::CCommandButton longText(QStringLiteral("A much longer label than the minimum width holds"));
    QVERIFY(longText.sizeHint().width() > QFontMetrics(longText.font()).horizontalAdvance(longText.text()));
}

QTEST_MAIN(TestVarnelWidgets)
#include "tst_varnelwidgets.moc"
