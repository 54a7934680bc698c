#include "app/application.h"
#include "controls/varnel.h"
#include "engine/installprocessmgr.h"
#include "engine/leftitem.h"
#include "platform/registrystore.h"
#include "ui/installingpage.h"
#include "ui/mainwindow.h"
#include "ui/uninstallcompletedpage.h"

#include "programcopy.h"

#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>
#include <QTranslator>
#include <QtTest>

#include <cstring>

using namespace appinstaller;

namespace {

const char guid[] = "{7E57-0001}";

// Child mode: the window as the program runs it after confirmation, until the
// completion page shows; then what the page says, and a picture of it.
int runChild(int argc, char **argv, const QString &screenshot)
{
    // As the program starts, with the copied translations and style sheet.
    Application app(argc, argv);
    QString styleSheet;
    Varnel::InitResource(QCoreApplication::applicationDirPath() + QStringLiteral("/rcc/guiresource.rcc"), styleSheet,
                         false);
    app.setStyleSheet(styleSheet);
    MainWindow window(nullptr);
    // Connected after the page, so the picture shows the report 30 taken in.
    QObject::connect(Base::CSingleton<InstallProcessMgr>::instance(), &InstallProcessMgr::signalProcess, &window,
                     [&window, &screenshot](int percent, const QString &) {
                         if (percent == 30)
                             window.grab().save(QString(screenshot).replace(QStringLiteral("completion-"),
                                                                            QStringLiteral("progress-")));
                     });
    window.show();
    window.onUninstall();
    auto *stack = window.findChild<QStackedWidget *>(QStringLiteral("m_pInstallStackedWidget"));
    auto *completed = window.findChild<UnInstallCompletedPage *>();
    if (!QTest::qWaitFor([&] { return stack->currentWidget() == completed; }, 30000))
        return 3;
    QCoreApplication::processEvents();
    window.grab().save(screenshot);

    auto *message = completed->findChild<QLabel *>(QStringLiteral("m_pInstallInfoLabel"));
    auto *list = completed->findChild<QListWidget *>(QStringLiteral("m_pLeftItemsList"));
    QTextStream out(stdout);
    out << "message " << message->text() << '\n';
    out << "listed " << (list && list->isVisibleTo(completed) ? list->count() : 0) << '\n';
    out << "icon " << (completed->findChild<QWidget *>(QStringLiteral("m_pIconToolBtn"))->isVisibleTo(completed) ? 1 : 0)
        << '\n';
    return 0;
}

} // namespace

class tst_UninstallRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void run_data();
    void run();

private:
    QString m_shots;
};

void tst_UninstallRun::initTestCase()
{
    m_shots = QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots/pages");
    QVERIFY(QDir().mkpath(m_shots));
}

void tst_UninstallRun::run_data()
{
    QTest::addColumn<QString>("installPath"); // relative to the sandbox
    QTest::addColumn<bool>("clean");

    QTest::newRow("everything removed") << "Programs/Orvessa" << true;
    // The home folder is protected: the run refuses it and says so.
    QTest::newRow("protected install path left") << "home" << false;
}

void tst_UninstallRun::run()
{
    QFETCH(QString, installPath);
    QFETCH(bool, clean);

    ProgramCopy copy;
    QVERIFY(copy.isValid());
    const QString bin = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/");
    for (const QString &dir : {QStringLiteral("translations"), QStringLiteral("rcc")}) {
        QVERIFY(QDir().mkpath(copy.folder() + QLatin1Char('/') + dir));
        for (const QString &file : QDir(bin + dir).entryList(QDir::Files))
            QVERIFY(QFile::copy(bin + dir + QLatin1Char('/') + file, copy.folder() + QLatin1Char('/') + dir + QLatin1Char('/') + file));
    }
    QTemporaryDir sandbox;
    QVERIFY(sandbox.isValid());
    const QString root = sandbox.path();
    const QString home = root + QStringLiteral("/home");
    const QString install = root + QLatin1Char('/') + installPath;
    for (const QString &dir : {home + QStringLiteral("/Desktop"), install + QStringLiteral("/bin/plugins"),
                               install + QStringLiteral("/data")})
        QVERIFY(QDir().mkpath(dir));
    for (const QString &file : {install + QStringLiteral("/bin/Orvessa.exe"), install + QStringLiteral("/bin/plugins/a.dll"),
                                install + QStringLiteral("/data/db.bin"), home + QStringLiteral("/Desktop/Orvessa.lnk"),
                                home + QStringLiteral("/Desktop/keep.txt")}) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));

    // The registry entry, where the program's store looks for it.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    const QString key = QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\")
                        + QLatin1String(guid);
    platform::openRegistryKey(key)->setValue(QStringLiteral("installpath"), install);
    QVERIFY(QFile::exists(platform::registryKeyFile(key)));

    copy.writeFile(QStringLiteral("AppConfig.xml"),
                   QByteArray("<c><GUID>") + guid + "</GUID><SoftwareNameEN>Orvessa</SoftwareNameEN></c>");
    const QString shot = m_shots + QStringLiteral("/completion-%1.png").arg(clean ? QStringLiteral("clean") : QStringLiteral("leftovers"));
    const ProgramCopy::Result result = copy.run({QStringLiteral("--child"), shot}, env);
    QVERIFY2(!result.crashed && result.exitCode == 0, result.err.constData());

    QVERIFY(!QFile::exists(home + QStringLiteral("/Desktop/Orvessa.lnk")));
    QVERIFY(QFile::exists(home + QStringLiteral("/Desktop/keep.txt")));
    QVERIFY(platform::openRegistryKey(key)->allKeys().isEmpty());
    QTranslator english;
    QVERIFY(english.load(QStringLiteral("uninstaller_en.qm"), bin + QStringLiteral("translations")));
    const QByteArray uninstalled = english.translate("UnInstallCompletedUI", "Uninstalled").toUtf8();
    const QByteArray remaining =
        english.translate("appinstaller::UnInstallCompletedPage", "UninstalledItemsRemainQfTzWbKd").arg(1).toUtf8();
    QVERIFY(!uninstalled.isEmpty() && !remaining.isEmpty());
    if (clean) {
        QVERIFY(!QFileInfo::exists(install));
        QVERIFY2(result.out.contains("message " + uninstalled + '\n'), result.out.constData());
        QVERIFY(result.out.contains("listed 0\n"));
        QVERIFY(result.out.contains("icon 1\n"));
    } else {
        QVERIFY(QFileInfo::exists(install + QStringLiteral("/bin/Orvessa.exe")));
        QVERIFY2(result.out.contains("message " + remaining + '\n'), result.out.constData());
        QVERIFY(result.out.contains("listed 1\n"));
        QVERIFY(result.out.contains("icon 0\n"));
    }
    QVERIFY(QFileInfo(shot).size() > 0);
}

int main(int argc, char **argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    tst_UninstallRun test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_uninstallrun.moc"
