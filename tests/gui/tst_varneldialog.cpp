// The library's modal dialog: what exec() returns for each way of answering
// (keys and buttons), the one-button warning, sizes, models, dragging, its
// translated texts and its look with the application-wide style sheet.

#include "controls/ccommandbutton.h"
#include "controls/cfancytitle.h"
#include "controls/cmodaltipdialog.h"
#include "controls/csecondcommandbutton.h"
#include "controls/varnel.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

using Varnel::CModalTipDialog;

namespace {

enum class Answer { Return, Enter, Escape, TabThenReturn, ClickConfirm, ClickCancel, ClickClose };

// Deliberately not a result exec() can give by itself.
constexpr int kNotClosed = 42;

QWidget *keyTarget(QDialog *dialog)
{
    QWidget *focus = QApplication::focusWidget();
    return (focus && (focus == dialog || dialog->isAncestorOf(focus))) ? focus : dialog;
}

void answer(CModalTipDialog *dialog, Answer how)
{
    switch (how) {
    case Answer::Return:
        QTest::keyClick(keyTarget(dialog), Qt::Key_Return);
        break;
    case Answer::Enter:
        QTest::keyClick(keyTarget(dialog), Qt::Key_Enter, Qt::KeypadModifier);
        break;
    case Answer::Escape:
        QTest::keyClick(keyTarget(dialog), Qt::Key_Escape);
        break;
    case Answer::TabThenReturn:
        QTest::keyClick(keyTarget(dialog), Qt::Key_Tab);
        QTest::keyClick(keyTarget(dialog), Qt::Key_Return);
        break;
    case Answer::ClickConfirm:
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("m_pConfirmBtn")), Qt::LeftButton);
        break;
    case Answer::ClickCancel:
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("m_pCancelBtn")), Qt::LeftButton);
        break;
    case Answer::ClickClose:
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("m_pCloseBtn")), Qt::LeftButton);
        break;
    }
}

// Answers the modal dialog once exec() runs; a dialog that the answer did not
// close is ended with kNotClosed, so a wrong answer fails instead of hanging.
void answerWhenShown(Answer how, QString *seenText = nullptr, bool *seenCancel = nullptr)
{
    QTimer::singleShot(0, qApp, [how, seenText, seenCancel] {
        auto *dialog = qobject_cast<CModalTipDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            qWarning("no modal dialog is shown");
            return;
        }
        if (seenText)
            *seenText = dialog->contentText();
        if (seenCancel)
            *seenCancel = dialog->findChild<QPushButton *>(QStringLiteral("m_pCancelBtn"))->isVisible();
        QPointer<CModalTipDialog> guard(dialog);
        // Keys go where a user's would: to the focus of the active dialog.
        if (!QTest::qWaitForWindowActive(dialog))
            qWarning("the dialog did not become the active window");
        answer(dialog, how);
        QTimer::singleShot(0, qApp, [guard] {
            if (guard && guard->isVisible())
                guard->done(kNotClosed);
        });
    });
}

QString binDir()
{
    return QStringLiteral(UNINSTALLER_BIN_DIR);
}

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestVarnelDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void execResult_data();
    void execResult();
    void showMessageWarn_data();
    void showMessageWarn();
    void framelessAndModal();
    void sizes_data();
    void sizes();
    void models_data();
    void models();
    void contentIsPlainText();
    void draggableByTitle();
    void translatedTexts_data();
    void translatedTexts();
    void lookWithApplicationSheet();
};

void TestVarnelDialog::cleanup()
{
    qApp->setStyleSheet(QString());
}

void TestVarnelDialog::execResult_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<Answer>("how");
    QTest::addColumn<int>("expected");

    const int question = CModalTipDialog::QuestionModel;
    const int warn = CModalTipDialog::WarnModel;
    QTest::newRow("question, Return confirms") << question << Answer::Return << 1;
    QTest::newRow("question, keypad Enter confirms") << question << Answer::Enter << 1;
    QTest::newRow("question, Escape declines") << question << Answer::Escape << 0;
    QTest::newRow("question, Return on the tabbed-to cancel declines") << question << Answer::TabThenReturn << 0;
    QTest::newRow("question, confirm button") << question << Answer::ClickConfirm << 1;
    QTest::newRow("question, cancel button") << question << Answer::ClickCancel << 0;
    QTest::newRow("question, close button") << question << Answer::ClickClose << 0;
    QTest::newRow("warning, Return") << warn << Answer::Return << 1;
    QTest::newRow("warning, Escape") << warn << Answer::Escape << 0;
    QTest::newRow("warning, its button") << warn << Answer::ClickConfirm << 1;
    QTest::newRow("warning, close button") << warn << Answer::ClickClose << 0;
}

void TestVarnelDialog::execResult()
{
    QFETCH(int, model);
    QFETCH(Answer, how);
    QFETCH(int, expected);

    CModalTipDialog dialog(nullptr);
    dialog.setDialogModel(model);
    dialog.setContentText(QStringLiteral("Proceed?"));
    dialog.setDialogSize(1);
    answerWhenShown(how);
    QCOMPARE(dialog.exec(), expected);
    QVERIFY(!dialog.isVisible());
}

void TestVarnelDialog::showMessageWarn_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<Answer>("how");
    QTest::addColumn<int>("expected");

    QTest::newRow("small, Return") << int(CModalTipDialog::SmallSize) << Answer::Return << 1;
    QTest::newRow("small, Escape") << int(CModalTipDialog::SmallSize) << Answer::Escape << 0;
    QTest::newRow("small, close button") << int(CModalTipDialog::SmallSize) << Answer::ClickClose << 0;
    QTest::newRow("large, its button") << int(CModalTipDialog::LargeSize) << Answer::ClickConfirm << 1;
}

void TestVarnelDialog::showMessageWarn()
{
    QFETCH(int, size);
    QFETCH(Answer, how);
    QFETCH(int, expected);

    QString seenText;
    bool seenCancel = true;
    answerWhenShown(how, &seenText, &seenCancel);
    const int result = CModalTipDialog::ShowMessageWarn(QStringLiteral("The product is running."),
                                                        static_cast<CModalTipDialog::ModalTipDialogSize>(size),
                                                        nullptr);
    QCOMPARE(result, expected);
    QCOMPARE(seenText, QStringLiteral("The product is running."));
    QVERIFY2(!seenCancel, "a warning has one button");
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(QApplication::topLevelWidgets().count(), 0);
}

void TestVarnelDialog::framelessAndModal()
{
    CModalTipDialog dialog;
    QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(dialog.isModal());
    QVERIFY(!dialog.testAttribute(Qt::WA_TranslucentBackground));
}

void TestVarnelDialog::sizes_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("expected");
    QTest::newRow("0 small") << 0 << int(CModalTipDialog::SmallSize);
    QTest::newRow("1 large") << 1 << int(CModalTipDialog::LargeSize);
    QTest::newRow("unknown falls back to small") << 7 << int(CModalTipDialog::SmallSize);
    QTest::newRow("negative falls back to small") << -1 << int(CModalTipDialog::SmallSize);
}

void TestVarnelDialog::sizes()
{
    QFETCH(int, requested);
    QFETCH(int, expected);

    CModalTipDialog small;
    small.setDialogSize(CModalTipDialog::SmallSize);
    CModalTipDialog large;
    large.setDialogSize(CModalTipDialog::LargeSize);
    QVERIFY(small.width() < large.width());
    QVERIFY(small.height() < large.height());

    CModalTipDialog dialog;
    dialog.setDialogSize(requested);
    QCOMPARE(int(dialog.dialogSize()), expected);
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.size(), expected == CModalTipDialog::LargeSize ? large.size() : small.size());
}

void TestVarnelDialog::models_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("cancelShown");
    QTest::newRow("0 tip") << 0 << int(CModalTipDialog::TipModel) << false;
    QTest::newRow("1 warning") << 1 << int(CModalTipDialog::WarnModel) << false;
    QTest::newRow("2 error") << 2 << int(CModalTipDialog::ErrorModel) << false;
    QTest::newRow("3 question") << 3 << int(CModalTipDialog::QuestionModel) << true;
    QTest::newRow("unknown falls back to tip") << 9 << int(CModalTipDialog::TipModel) << false;
}

void TestVarnelDialog::models()
{
    QFETCH(int, requested);
    QFETCH(int, expected);
    QFETCH(bool, cancelShown);

    CModalTipDialog dialog;
    dialog.setDialogModel(requested);
    QCOMPARE(int(dialog.dialogModel()), expected);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("m_pCancelBtn"))->isVisible(), cancelShown);
    auto *confirm = dialog.findChild<QPushButton *>(QStringLiteral("m_pConfirmBtn"));
    QVERIFY(confirm->isVisible());
    QVERIFY(confirm->isDefault());
    QVERIFY(qobject_cast<Varnel::CCommandButton *>(confirm));
    QVERIFY(qobject_cast<Varnel::CSecondCommandButton *>(
        dialog.findChild<QPushButton *>(QStringLiteral("m_pCancelBtn"))));
}

void TestVarnelDialog::contentIsPlainText()
{
    CModalTipDialog dialog;
    dialog.setContentText(QStringLiteral("<b>C:\\Program Files</b>"));
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("m_pContentLabel"));
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(dialog.contentText(), QStringLiteral("<b>C:\\Program Files</b>"));
}

void TestVarnelDialog::draggableByTitle()
{
    CModalTipDialog dialog;
    dialog.move(200, 150);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *title = dialog.findChild<Varnel::CFancyTitle *>();
    QVERIFY(title);
    const QPoint start = dialog.pos();
    const QPoint local(30, 10);
    const QPoint global = title->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(title, &press);
    QMouseEvent move(QEvent::MouseMove, local + QPoint(-70, 45), global + QPoint(-70, 45), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(title, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global + QPoint(-70, 45), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(title, &release);
    QCOMPARE(dialog.pos(), start + QPoint(-70, 45));
}

void TestVarnelDialog::translatedTexts_data()
{
    QTest::addColumn<QString>("qm");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("warning");

    QTest::newRow("none") << QString() << QStringLiteral("OK") << QStringLiteral("Cancel") << QStringLiteral("Notice")
                          << QStringLiteral("Warning");
    QTest::newRow("english") << QStringLiteral("varnel_en.qm") << QStringLiteral("OK") << QStringLiteral("Cancel")
                             << QStringLiteral("Notice") << QStringLiteral("Warning");
    QTest::newRow("chinese") << QStringLiteral("varnel_zh.qm") << QStringLiteral("\u786e\u5b9a")
                             << QStringLiteral("\u53d6\u6d88") << QStringLiteral("\u63d0\u793a")
                             << QStringLiteral("\u8b66\u544a");
}

void TestVarnelDialog::translatedTexts()
{
    QFETCH(QString, qm);
    QFETCH(QString, ok);
    QFETCH(QString, cancel);
    QFETCH(QString, notice);
    QFETCH(QString, warning);

    QTranslator translator;
    if (!qm.isEmpty()) {
        QVERIFY2(translator.load(qm, binDir() + QStringLiteral("/translations")), qPrintable(qm));
        QVERIFY(QCoreApplication::installTranslator(&translator));
    }
    CModalTipDialog dialog;
    dialog.setDialogModel(CModalTipDialog::QuestionModel);
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("m_pConfirmBtn"))->text(), ok);
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("m_pCancelBtn"))->text(), cancel);
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("m_pTitleLabel"))->text(), notice);
    dialog.setDialogModel(CModalTipDialog::WarnModel);
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("m_pTitleLabel"))->text(), warning);

    // Taking the translator away again turns the texts back.
    if (!qm.isEmpty()) {
        QCoreApplication::removeTranslator(&translator);
        QCoreApplication::sendPostedEvents(&dialog, QEvent::LanguageChange);
        QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("m_pConfirmBtn"))->text(), QStringLiteral("OK"));
    }
}

void TestVarnelDialog::lookWithApplicationSheet()
{
    QString sheet;
    QVERIFY(Varnel::InitResource(binDir() + QStringLiteral("/rcc/guiresource.rcc"), sheet, false));
    qApp->setStyleSheet(sheet);

    CModalTipDialog dialog;
    dialog.setDialogModel(CModalTipDialog::QuestionModel);
    dialog.setDialogSize(CModalTipDialog::LargeSize);
    dialog.setContentText(QStringLiteral("Do you want to continue?"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QImage image = dialog.grab().toImage();
    QDir().mkpath(QStringLiteral(UNINSTALLER_BUILD_DIR "/screenshots"));
    image.save(QStringLiteral(UNINSTALLER_BUILD_DIR "/screenshots/dialog-offscreen-question.png"));

    // White card inside a one-pixel outline.
    QCOMPARE(image.pixelColor(dialog.width() / 2, dialog.height() / 2 + 10).name(), QStringLiteral("#ffffff"));
    QVERIFY(image.pixelColor(0, dialog.height() / 2).lightness() < 250);
    // The red primary button, the white secondary one.
    auto *confirm = dialog.findChild<QPushButton *>(QStringLiteral("m_pConfirmBtn"));
    auto *cancel = dialog.findChild<QPushButton *>(QStringLiteral("m_pCancelBtn"));
    const QPoint inConfirm = confirm->mapTo(&dialog, QPoint(4, confirm->height() / 2));
    const QPoint inCancel = cancel->mapTo(&dialog, QPoint(4, cancel->height() / 2));
    QCOMPARE(image.pixelColor(inConfirm).name(), QStringLiteral("#e5322d"));
    QCOMPARE(image.pixelColor(inCancel).name(), QStringLiteral("#ffffff"));
    // The sheet's type sizes reached the labels.
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("m_pContentLabel"))->font().pixelSize(), 14);
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("m_pTitleLabel"))->font().pixelSize(), 16);
}

QTEST_MAIN(TestVarnelDialog)
#include "tst_varneldialog.moc"
