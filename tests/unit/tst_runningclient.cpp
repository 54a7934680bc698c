#include "engine/runningclient.h"
#include "platform/processlist.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTextStream>
#include <QtTest>

#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

using appinstaller::isProcessRunning;

namespace {

// A long but legal file name: 251 characters and ".exe" make 255 bytes.
QString longName()
{
    return QString(251, QLatin1Char('P')) + QStringLiteral(".exe");
}

std::u16string u16(const QString &text)
{
    return std::u16string(reinterpret_cast<const char16_t *>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

// Child mode: answers the running check for one name.
int queryForParent(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << (isProcessRunning(QString::fromUtf8(argv[2])) ? "running" : "not running");
    return 0;
}

} // namespace

// Copies of a small program, started under configured names.
class Programs
{
public:
    Programs() { m_sleep = QStandardPaths::findExecutable(QStringLiteral("sleep")); }
    ~Programs() { stopAll(); }

    bool isValid() const { return m_dir.isValid() && !m_sleep.isEmpty(); }
    QString folder() const { return m_dir.path(); }

    QProcess *start(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        if (!QFileInfo::exists(path) && !QFile::copy(m_sleep, path))
            return nullptr;
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        auto process = std::make_unique<QProcess>();
        process->start(path, {QStringLiteral("600")});
        if (!process->waitForStarted())
            return nullptr;
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }

    static void stop(QProcess *process)
    {
        process->kill();
        process->waitForFinished();
    }

    void stopAll()
    {
        for (auto &process : m_processes) {
            if (process->state() != QProcess::NotRunning)
                stop(process.get());
        }
        m_processes.clear();
    }

private:
    QTemporaryDir m_dir;
    QString m_sleep;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

class tst_RunningClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void matchesByExactName_data();
    void matchesByExactName();
    void ownProcessNeverCounts();
    void twoInstances();
    void deletedExecutableStillCounts();
    void roundTripLimit_data();
    void roundTripLimit();
    void charactersOutsideTheCodePage();
    void unreadableProcessList();

private:
    std::unique_ptr<Programs> m_programs;
};

void tst_RunningClient::initTestCase()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("sleep")).isEmpty(), "sleep is needed");
}

void tst_RunningClient::cleanup()
{
    m_programs.reset();
}

void tst_RunningClient::matchesByExactName_data()
{
    QTest::addColumn<QString>("running");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("expected");

    QTest::newRow("exact name") << "Product.exe" << "Product.exe" << true;
    QTest::newRow("wrong case") << "Product.exe" << "product.exe" << false;
    QTest::newRow("no extension") << "Product.exe" << "Product" << false;
    QTest::newRow("prefix of the name") << "Product.exe" << "Product.ex" << false;
    QTest::newRow("blank around") << "Product.exe" << " Product.exe" << false;
    QTest::newRow("folder with slash reduced") << "Product.exe" << "C:/Apps/Product.exe" << true;
    QTest::newRow("posix folder reduced") << "Product.exe" << "/opt/apps/Product.exe" << true;
    QTest::newRow("backslash never reduced") << "Product.exe" << "C:\\Apps\\Product.exe" << false;
    QTest::newRow("only the last slash counts") << "Product.exe" << "a/Product.exe/Product.exe" << true;
    QTest::newRow("trailing slash leaves nothing") << "Product.exe" << "Product.exe/" << false;
    QTest::newRow("empty") << "Product.exe" << "" << false;
    QTest::newRow("name with blanks") << "My Product.exe" << "My Product.exe" << true;
    QTest::newRow("non-ASCII name") << "Prodλ.exe" << "Prodλ.exe" << true;
    QTest::newRow("255-byte name") << longName() << longName() << true;
    QTest::newRow("long folder cut before the limit")
        << longName() << QString(300, QLatin1Char('d')) + QLatin1Char('/') + longName() << true;
    QTest::newRow("over-long name") << longName() << QString(300, QLatin1Char('P')) + ".exe" << false;
    QTest::newRow("over-long name ending in the running one")
        << "Product.exe" << QString(300, QLatin1Char('x')) + "Product.exe" << false;
}

void tst_RunningClient::matchesByExactName()
{
    QFETCH(QString, running);
    QFETCH(QString, query);
    QFETCH(bool, expected);

    m_programs = std::make_unique<Programs>();
    QVERIFY(m_programs->isValid());
    QVERIFY(m_programs->start(running));
    QCOMPARE(isProcessRunning(query), expected);
    // Once it has ended, nothing of that name is found.
    m_programs->stopAll();
    QCOMPARE(isProcessRunning(query), false);
}

void tst_RunningClient::ownProcessNeverCounts()
{
    const QString own = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    // The walk does see this process under that name...
    bool seen = false;
    QVERIFY(appinstaller::platform::walkProcesses([&](const appinstaller::platform::ProcessEntry &e) {
        if (e.pid == static_cast<std::uint32_t>(::getpid()) && e.exeName == u16(own))
            seen = true;
        return !seen;
    }));
    QVERIFY(seen);
    // ...but it is not the product.
    QCOMPARE(isProcessRunning(own), false);

    // Another process of the same name does count.
    m_programs = std::make_unique<Programs>();
    QVERIFY(m_programs->isValid());
    QVERIFY(m_programs->start(own));
    QCOMPARE(isProcessRunning(own), true);
}

void tst_RunningClient::twoInstances()
{
    m_programs = std::make_unique<Programs>();
    QVERIFY(m_programs->isValid());
    QProcess *first = m_programs->start(QStringLiteral("Twice.exe"));
    QProcess *second = m_programs->start(QStringLiteral("Twice.exe"));
    QVERIFY(first && second);
    QCOMPARE(isProcessRunning(QStringLiteral("Twice.exe")), true);
    Programs::stop(first);
    QCOMPARE(isProcessRunning(QStringLiteral("Twice.exe")), true);
    Programs::stop(second);
    QCOMPARE(isProcessRunning(QStringLiteral("Twice.exe")), false);
}

void tst_RunningClient::deletedExecutableStillCounts()
{
    m_programs = std::make_unique<Programs>();
    QVERIFY(m_programs->isValid());
    QVERIFY(m_programs->start(QStringLiteral("Gone.exe")));
    QVERIFY(QFile::remove(m_programs->folder() + QStringLiteral("/Gone.exe")));
    QCOMPARE(isProcessRunning(QStringLiteral("Gone.exe")), true);
    QCOMPARE(isProcessRunning(QStringLiteral("Gone.exe (deleted)")), false);
}

void tst_RunningClient::roundTripLimit_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("fits");
    QTest::newRow("empty") << 0 << true;
    QTest::newRow("259 units") << 259 << true;
    QTest::newRow("260 units") << 260 << false;
    QTest::newRow("1000 units") << 1000 << false;
}

void tst_RunningClient::roundTripLimit()
{
    QFETCH(int, length);
    QFETCH(bool, fits);
    const std::u16string name(static_cast<std::size_t>(length), u'a');
    std::u16string out = u"stale";
    QCOMPARE(appinstaller::platform::roundTripLocal8Bit(name, out), fits);
    QCOMPARE(out, fits ? name : std::u16string());
}

void tst_RunningClient::charactersOutsideTheCodePage()
{
    QTextCodec *previous = QTextCodec::codecForLocale();
    QTextCodec *latin1 = QTextCodec::codecForName("ISO-8859-1");
    QVERIFY(latin1);
    QTextCodec::setCodecForLocale(latin1);
    std::u16string out;
    const bool ok = appinstaller::platform::roundTripLocal8Bit(u"Prodλé.exe", out);
    QTextCodec::setCodecForLocale(previous);
    QVERIFY(ok);
    // 'λ' does not survive a code page without it; 'é' does.
    QCOMPARE(out, std::u16string(u"Prod?é.exe"));
}

void tst_RunningClient::unreadableProcessList()
{
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty() || ::geteuid() != 0)
        QSKIP("needs unshare and root to hide /proc in a private mount namespace");

    m_programs = std::make_unique<Programs>();
    QVERIFY(m_programs->isValid());
    QVERIFY(m_programs->start(QStringLiteral("Hidden.exe")));

    auto ask = [&](bool hideProc) {
        QProcess child;
        const QString self = QCoreApplication::applicationFilePath();
        const QString script = hideProc
            ? QStringLiteral("mount -t tmpfs none /proc && exec \"$0\" --query Hidden.exe")
            : QStringLiteral("exec \"$0\" --query Hidden.exe");
        child.start(unshare, {QStringLiteral("--mount"), QStringLiteral("sh"), QStringLiteral("-c"),
                              script, self});
        child.waitForFinished();
        return QString::fromUtf8(child.readAllStandardOutput()) + QString::fromUtf8(child.readAllStandardError());
    };
    const QString visible = ask(false);
    if (visible != QLatin1String("running"))
        QSKIP(qPrintable(QStringLiteral("a private mount namespace is not available here: ") + visible));
    QCOMPARE(ask(true), QStringLiteral("not running"));
}

int main(int argc, char **argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--query") == 0)
        return queryForParent(argc, argv);
    QCoreApplication app(argc, argv);
    tst_RunningClient test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_runningclient.moc"
