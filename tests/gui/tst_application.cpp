#include "app/application.h"

#include "programcopy.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cstring>

namespace {

// Child mode: the application object as the program builds it, then what
// two keys translate to.
int runChild(int argc, char **argv)
{
    appinstaller::Application app(argc, argv);
    const QByteArray out = QCoreApplication::translate("Fixture", "K").toUtf8() + ' '
                           + QCoreApplication::translate("Fixture", "K2").toUtf8() + '\n';
    fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return 0;
}

} // namespace

class tst_Application : public QObject
{
    Q_OBJECT

private slots:
    void translations_data();
    void translations();
};

void tst_Application::translations_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("files"); // "fixture>name" pairs
    QTest::addColumn<QByteArray>("expected");

    const QStringList all{"tr_app>app_en.qm", "tr_common>common_en.qm", "tr_upper>X_EN.QM", "tr_zh>app_zh.qm",
                          "garbage>bad_en.qm", "garbage>notes.txt"};
    QTest::newRow("English: later name wins, upper case counted") << "en_US.UTF-8" << all << QByteArray("common upper");
    QTest::newRow("another language takes English") << "de_DE.UTF-8" << all << QByteArray("common upper");
    QTest::newRow("C locale takes English") << "C" << all << QByteArray("common upper");
    QTest::newRow("simplified Chinese") << "zh_CN.UTF-8" << all << QByteArray("zh K2");
    QTest::newRow("traditional Chinese") << "zh_TW.UTF-8" << all << QByteArray("zh K2");
    QTest::newRow("only English files, Chinese locale") << "zh_CN.UTF-8"
                                                        << QStringList{"tr_app>app_en.qm"} << QByteArray("K K2");
    QTest::newRow("empty folder") << "en_US.UTF-8" << QStringList() << QByteArray("K K2");
    QTest::newRow("no folder") << "en_US.UTF-8" << QStringList{"-"} << QByteArray("K K2");
    QTest::newRow("a file that is no translation changes nothing")
        << "en_US.UTF-8" << QStringList{"tr_app>a_en.qm", "garbage>b_en.qm"} << QByteArray("app K2");
}

void tst_Application::translations()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, files);
    QFETCH(QByteArray, expected);

    ProgramCopy copy;
    QVERIFY(copy.isValid());
    const QString folder = copy.folder() + QStringLiteral("/translations/");
    if (files != QStringList{"-"})
        QVERIFY(QDir().mkpath(folder));
    for (const QString &pair : files) {
        if (pair == QLatin1String("-"))
            continue;
        const QString fixture = pair.section(QLatin1Char('>'), 0, 0);
        const QString name = pair.section(QLatin1Char('>'), 1, 1);
        if (fixture == QLatin1String("garbage")) {
            QFile file(folder + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a translation file");
        } else {
            QVERIFY(QFile::copy(QStringLiteral(FIXTURE_QM_DIR "/") + fixture + QStringLiteral(".qm"), folder + name));
        }
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.insert(QStringLiteral("LANG"), locale);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const ProgramCopy::Result result = copy.run({QStringLiteral("--child")}, env);
    QVERIFY2(!result.crashed && result.exitCode == 0, result.err.constData());
    QCOMPARE(result.out.trimmed(), expected);
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QCoreApplication app(argc, argv);
    tst_Application test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
