// Shows one of the library's dialogs as the program does, with the deploy
// folder's style sheet and translations, for runs under a real X server
// (scripts/screenshot-dialogs). F12 saves a screenshot of the screen around
// the dialog and writes the buttons' screen positions; the exit code is what
// the dialog returned.
//
// usage: varneldialogdemo <bin folder> <en|zh> <question|warning> <screenshot.png> <positions.txt>

#include "controls/cmodaltipdialog.h"
#include "controls/varnel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>

namespace {

class ScreenshotOnF12 : public QObject
{
public:
    ScreenshotOnF12(QString image, QString positions)
        : m_image(std::move(image))
        , m_positions(std::move(positions))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent *>(event)->key() != Qt::Key_F12)
            return QObject::eventFilter(watched, event);
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return true;
        save(dialog);
        return true;
    }

private:
    void save(QDialog *dialog)
    {
        QFile positions(m_positions);
        if (positions.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            QTextStream out(&positions);
            for (const char *name : {"m_pConfirmBtn", "m_pCancelBtn", "m_pCloseBtn"}) {
                auto *button = dialog->findChild<QPushButton *>(QString::fromLatin1(name));
                if (button && button->isVisible()) {
                    const QPoint c = button->mapToGlobal(button->rect().center());
                    out << name << ' ' << c.x() << ' ' << c.y() << '\n';
                }
            }
            const QRect g = dialog->frameGeometry();
            out << "dialog " << g.x() << ' ' << g.y() << ' ' << g.width() << ' ' << g.height() << '\n';
        }
        // The X server's own picture of the screen, not a widget rendering.
        const QRect area = dialog->frameGeometry().adjusted(-16, -16, 16, 16);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                                         area.height());
        shot.save(m_image, "PNG");
        std::printf("saved %s\n", qPrintable(m_image));
        std::fflush(stdout);
    }

    QString m_image;
    QString m_positions;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        std::fprintf(stderr, "usage: varneldialogdemo <bin folder> <en|zh> <question|warning> <png> <positions>\n");
        return 2;
    }
    const QString bin = args.at(1);
    const QString language = args.at(2);
    const bool question = args.at(3) == QLatin1String("question");

    const QDir translations(bin + QStringLiteral("/translations"));
    for (const QString &name : translations.entryList({QStringLiteral("*_") + language + QStringLiteral(".qm")})) {
        auto *translator = new QTranslator(&app);
        if (translator->load(name, translations.path()))
            QCoreApplication::installTranslator(translator);
    }
    QString sheet;
    Varnel::InitResource(bin + QStringLiteral("/rcc/guiresource.rcc"), sheet, false);
    app.setStyleSheet(sheet);

    ScreenshotOnF12 screenshot(args.at(4), args.at(5));
    app.installEventFilter(&screenshot);

    if (!question) {
        return Varnel::CModalTipDialog::ShowMessageWarn(
            QCoreApplication::translate("QObject", "TheClientIsRunningPrnptTrdtT"),
            Varnel::CModalTipDialog::SmallSize, nullptr);
    }
    Varnel::CModalTipDialog dialog(nullptr);
    dialog.setDialogModel(Varnel::CModalTipDialog::QuestionModel);
    dialog.setContentText(QCoreApplication::translate("QObject", "DetermineTheUninstalfYANYiIa"));
    dialog.setDialogSize(Varnel::CModalTipDialog::LargeSize);
    return dialog.exec();
}
