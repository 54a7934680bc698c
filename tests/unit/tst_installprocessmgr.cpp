#include "config/appconfig.h"
#include "config/registrymgr.h"
#include "engine/installprocessmgr.h"
#include "engine/treeremover.h"
#include "engine/uninstallthread.h"
#include "platform/registrystore.h"

#include "programcopy.h"
#include "treelisting.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

using appinstaller::InstallProcessMgr;
using appinstaller::LeftItem;
using appinstaller::LeftItems;
using appinstaller::RegistryMgr;

namespace {

const QByteArray kGuid = QByteArrayLiteral("{5B1D6A7E-1111-4000-8000-0123456789AB}");
constexpr uid_t kNobody = 65534;

QString reasonName(LeftItem::Reason reason)
{
    switch (reason) {
    case LeftItem::Reason::NotRemoved: return QStringLiteral("NotRemoved");
    case LeftItem::Reason::ProtectedPath: return QStringLiteral("ProtectedPath");
    case LeftItem::Reason::InvalidPath: return QStringLiteral("InvalidPath");
    case LeftItem::Reason::UnsafeName: return QStringLiteral("UnsafeName");
    }
    return QString();
}

// Marks every text with the context it was translated in.
class TaggingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return QString::fromUtf8(context) + QLatin1Char('|') + QString::fromUtf8(sourceText);
    }
    bool isEmpty() const override { return false; }
};

// Child mode: runs the engine as the progress page does (objects created on
// this thread, the sequence on an UnInstallThread, every signal received
// through automatic connections) and prints what arrived, in order, as JSON.
int runEngine(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TaggingTranslator translator;
    app.installTranslator(&translator);

    InstallProcessMgr *engine = Base::CSingleton<InstallProcessMgr>::instance();
    const appinstaller::AppConfig *config = Base::CSingleton<appinstaller::AppConfig>::instance();
    const RegistryMgr *registry = Base::CSingleton<RegistryMgr>::instance();

    const QString installPath = QString::fromUtf8(registry->getInstallPath());
    const QString shortcut = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
        + QLatin1Char('/') + QString::fromUtf8(config->getSoftwareNameEN()) + QStringLiteral(".lnk");

    QObject receiver;
    QJsonArray events;
    // Written on the worker only, read after it has been joined.
    QJsonArray states;
    QAtomicInt onGuiThread;
    QThread *guiThread = QThread::currentThread();

    auto state = [&]() {
        return QStringLiteral("install=%1 shortcut=%2 registry=%3")
            .arg(appinstaller::TreeRemover::isPresent(installPath))
            .arg(appinstaller::TreeRemover::isPresent(shortcut))
            .arg(registry->isInstalled());
    };
    QObject::connect(engine, &InstallProcessMgr::signalProcess, [&](int percent, const QString &) {
        if (QThread::currentThread() == guiThread)
            onGuiThread.ref();
        states.append(QStringLiteral("%1: ").arg(percent) + state());
    });
    QObject::connect(engine, &InstallProcessMgr::signalLeftItems, [&](const LeftItems &) {
        if (QThread::currentThread() == guiThread)
            onGuiThread.ref();
        states.append(QStringLiteral("left: ") + state());
    });

    QObject::connect(engine, &InstallProcessMgr::signalProcess, &receiver,
                     [&](int percent, const QString &text) {
                         events.append(QJsonObject{{"kind", "process"}, {"value", percent}, {"text", text}});
                     });
    QObject::connect(engine, &InstallProcessMgr::signalLeftItems, &receiver,
                     [&](const LeftItems &items) {
                         QJsonArray list;
                         for (const LeftItem &item : items)
                             list.append(reasonName(item.reason) + QLatin1Char(':') + item.path);
                         events.append(QJsonObject{{"kind", "left"}, {"items", list}});
                     });

    auto *thread = new appinstaller::UnInstallThread(&receiver);
    QObject::connect(thread, &QThread::finished, &receiver, [&]() {
        events.append(QJsonObject{{"kind", "finished"}});
        QCoreApplication::quit();
    });
    thread->start(QThread::InheritPriority);
    const int code = app.exec();
    thread->wait();

    const QJsonObject result{{"events", events}, {"states", states},
                             {"emittedOnGuiThread", onGuiThread.loadAcquire()}};
    QFile out;
    out.open(stdout, QIODevice::WriteOnly);
    out.write(QJsonDocument(result).toJson(QJsonDocument::Compact));
    return code;
}

// Starts the child as "nobody" when asked, so that a removal reaching outside
// the sandbox would find nothing of its own to remove.
class ChildProcess : public QProcess
{
public:
    bool dropToNobody = false;

protected:
    void setupChildProcess() override
    {
        if (dropToNobody && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(97);
    }
};

bool chownTree(const QString &root, uid_t uid)
{
    if (::lchown(QFile::encodeName(root).constData(), uid, uid) != 0)
        return false;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (::lchown(QFile::encodeName(it.next()).constData(), uid, uid) != 0)
            return false;
    }
    return true;
}

bool isAtOrBelow(const QString &entry, const QString &prefix)
{
    QString e = entry;
    if (e.endsWith(QLatin1Char('/')))
        e.chop(1);
    return e == prefix || e.startsWith(prefix + QLatin1Char('/'));
}

// The shortcuts and Start-menu folders of a product called Kestrel / 凯斯特,
// relative to the sandbox, and the fixed-name ones.
const QStringList kProductShortcuts = {
    "D/Kestrel.lnk", "D/凯斯特.lnk", "P/Kestrel.lnk", "P/凯斯特.lnk",
    "A/Kestrel",     "A/凯斯特",     "D/Orvessa.lnk", "D/Mendaro.lnk",
};
const QStringList kFixedShortcuts = {"D/Orvessa.lnk", "D/Mendaro.lnk"};

} // namespace

class tst_InstallProcessMgr : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void metaObject();
    void uninstall_data();
    void uninstall();
    void reportsFollowTheWork();

private:
    QString expand(QString text) const;
    QString rel(const QString &text) const;
    bool stage(const QString &en, const QString &ch, const QString &installValue, bool writeConfig);
    bool lock(const QStringList &paths);
    bool runAsNobodyWhenRoot();
    bool run(const QString &workingDir, QJsonObject &result);
    QJsonArray leftOf(const QJsonObject &result) const;

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<ProgramCopy> m_copy;
    QStringList m_locked;
    bool m_asNobody = false;
};

void tst_InstallProcessMgr::initTestCase()
{
    qRegisterMetaType<LeftItems>();
}

void tst_InstallProcessMgr::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    // In the system's temporary folder, which "nobody" can reach whatever
    // folders the build lies in.
    m_copy = std::make_unique<ProgramCopy>(QDir::tempPath());
    QVERIFY(m_copy->isValid());
    m_asNobody = false;
    // The parent stages the registry entry where the child will look for it.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_root->path() + "/config"));
}

void tst_InstallProcessMgr::cleanup()
{
    for (const QString &path : qAsConst(m_locked))
        QProcess::execute("chattr", {"-i", path});
    m_locked.clear();
    m_copy.reset();
    m_root.reset();
}

QString tst_InstallProcessMgr::rel(const QString &text) const
{
    QString s = text;
    if (s.startsWith("D/"))
        s = "home/Desktop/" + s.mid(2);
    else if (s.startsWith("P/"))
        s = "data/appinstaller/PublicDesktop/" + s.mid(2);
    else if (s.startsWith("A/"))
        s = "data/applications/" + s.mid(2);
    return s;
}

QString tst_InstallProcessMgr::expand(QString text) const
{
    const QString root = m_root->path();
    text.replace("@KEY", RegistryMgr::keyPath(kGuid));
    text.replace("@D/", root + "/home/Desktop/");
    text.replace("@P/", root + "/data/appinstaller/PublicDesktop/");
    text.replace("@A/", root + "/data/applications/");
    text.replace("@HOME", root + "/home");
    text.replace("@ROOT", root);
    return text;
}

bool tst_InstallProcessMgr::stage(const QString &en, const QString &ch, const QString &installValue,
                                  bool writeConfig)
{
    const QString root = m_root->path();
    auto file = [&](const QString &relative) {
        const QString path = root + '/' + rel(relative);
        if (!QDir().mkpath(QFileInfo(path).path()))
            return false;
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("data\n") == 5;
    };

    QStringList files = {
        // The install folder, with a read-only file, a read-only folder and a hidden file.
        "Programs/Kestrel/Kestrel.exe", "Programs/Kestrel/lib/a/b/c.dat", "Programs/Kestrel/lib/x.dll",
        "Programs/Kestrel/sealed/inner.dat",
        "Programs/Kestrel/readonly.txt", "Programs/Kestrel/.hidden", "Programs/Kestrel/lnk/inner.lnk",
        // The eight places.
        "D/Kestrel.lnk", "D/凯斯特.lnk", "P/Kestrel.lnk", "P/凯斯特.lnk", "A/Kestrel/Kestrel.desktop",
        "A/Kestrel/sub/x", "A/凯斯特/y", "D/Orvessa.lnk", "D/Mendaro.lnk",
        // What must stay: other shortcuts, look-alikes, the fixed names off the user desktop.
        "D/Other.lnk", "D/kestrel.lnk", "D/Kestrel.lnk.bak", "D/notes.txt", "P/Other.lnk",
        "P/Orvessa.lnk", "P/Mendaro.lnk", "A/Other/z", "A/Kestrel.desktop", "Programs/Other/keep",
        "home/keep.txt", "home/Documents/doc.txt", "outside/keep", "outside/sub/deep", "keep.txt",
    };
    // Shortcuts under the configured names, whatever they are.
    for (const QString &name : {en, ch}) {
        if (name.isNull())
            continue;
        files << "D/" + name + ".lnk" << "P/" + name + ".lnk" << "A/" + name + "/inside";
    }
    for (const QString &f : qAsConst(files)) {
        if (!file(f))
            return false;
    }
    if (!QFile::setPermissions(root + "/Programs/Kestrel/readonly.txt", QFile::ReadOwner | QFile::ReadGroup))
        return false;
    if (!QFile::setPermissions(root + "/Programs/Kestrel/sealed", QFile::ReadOwner | QFile::ExeOwner
                                                                      | QFile::ReadGroup | QFile::ExeGroup))
        return false;
    if (!QDir().mkpath(root + "/Programs/Kestrel/empty") || !QDir().mkpath(root + "/data/applications/Empty"))
        return false;
    if (!file("Programs/Tree/own") || !QFile::link(root + "/outside", root + "/Programs/KLink")
        || !QFile::link(root + "/outside", root + "/Programs/Tree/outside-link")
        || !QFile::link(root + "/outside/keep", root + "/Programs/Tree/file-link"))
        return false;

    if (writeConfig) {
        QString xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<AppConfig>\n  <GUID>"
            + QString::fromUtf8(kGuid) + "</GUID>\n  <ProgramName>Kestrel.exe</ProgramName>\n";
        if (!en.isNull())
            xml += "  <SoftwareNameEN>" + en.toHtmlEscaped() + "</SoftwareNameEN>\n";
        if (!ch.isNull())
            xml += "  <SoftwareNameCH>" + ch.toHtmlEscaped() + "</SoftwareNameCH>\n";
        xml += "</AppConfig>\n";
        if (!m_copy->writeFile("AppConfig.xml", xml.toUtf8()))
            return false;
    }

    // The registry entry, written as a user staging it by hand would.
    const QString keyFile = appinstaller::platform::registryKeyFile(RegistryMgr::keyPath(kGuid));
    if (!QDir().mkpath(QFileInfo(keyFile).path()))
        return false;
    QByteArray ini = "[General]\nDisplayName=Kestrel\nPublisher=Kestrel Ltd\n";
    if (!installValue.isNull())
        ini += "installpath=" + expand(installValue).toUtf8() + "\n";
    ini += "\n[Extra]\nValue=1\n";
    QFile key(keyFile);
    return key.open(QIODevice::WriteOnly) && key.write(ini) == ini.size();
}

bool tst_InstallProcessMgr::runAsNobodyWhenRoot()
{
    if (::geteuid() != 0)
        return true;
    // As nobody, owner of the sandbox only, a removal that escaped it would
    // find nothing to remove.
    m_asNobody = chownTree(m_root->path(), kNobody)
        && ::chmod(QFile::encodeName(m_copy->folder()).constData(), 0755) == 0;
    return m_asNobody;
}

bool tst_InstallProcessMgr::lock(const QStringList &paths)
{
    for (const QString &p : paths) {
        const QString path = p.startsWith("@") ? expand(p) : m_root->path() + '/' + rel(p);
        QProcess chattr;
        chattr.start("chattr", {"+i", path});
        if (!chattr.waitForFinished() || chattr.exitStatus() != QProcess::NormalExit || chattr.exitCode() != 0)
            return false;
        m_locked << path;
    }
    return true;
}

bool tst_InstallProcessMgr::run(const QString &workingDir, QJsonObject &result)
{
    const QString root = m_root->path();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", root + "/home");
    env.insert("XDG_CONFIG_HOME", root + "/config");
    env.insert("XDG_DATA_HOME", root + "/data");
    env.insert("XDG_CACHE_HOME", root + "/cache");
    env.remove("XDG_RUNTIME_DIR");
    env.insert("LANG", "C.UTF-8");
    env.insert("LC_ALL", "C.UTF-8");

    ChildProcess child;
    child.dropToNobody = m_asNobody;
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(workingDir.isEmpty() ? root : expand(workingDir));
    child.start(m_copy->program(), {"--engine-run"});
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        qWarning("the engine run did not end");
        return false;
    }
    const QByteArray err = child.readAllStandardError();
    if (!err.isEmpty())
        qInfo("child: %s", err.constData());
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        qWarning("the engine run failed with %d", child.exitCode());
        return false;
    }
    QJsonParseError error;
    result = QJsonDocument::fromJson(child.readAllStandardOutput(), &error).object();
    return error.error == QJsonParseError::NoError;
}

void tst_InstallProcessMgr::metaObject()
{
    InstallProcessMgr *engine = Base::CSingleton<InstallProcessMgr>::instance();
    QCOMPARE(engine->metaObject()->className(), "appinstaller::InstallProcessMgr");
    QCOMPARE(engine->parent(), static_cast<QObject *>(nullptr));
    QCOMPARE(engine->qt_metacast("Base::CSingleton<InstallProcessMgr>"),
             static_cast<void *>(static_cast<Base::CSingleton<InstallProcessMgr> *>(engine)));
    const QMetaObject *meta = engine->metaObject();
    QStringList methods;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
        methods << QString::fromLatin1(meta->method(i).methodSignature());
    QCOMPARE(methods, QStringList({"signalProcess(int,QString)", "signalLeftItems(appinstaller::LeftItems)"}));
    QVERIFY(QMetaType::type("appinstaller::LeftItems") != QMetaType::UnknownType);

    appinstaller::UnInstallThread thread(engine);
    QCOMPARE(thread.metaObject()->className(), "appinstaller::UnInstallThread");
    QCOMPARE(thread.metaObject()->methodCount(), QThread::staticMetaObject.methodCount());
}

void tst_InstallProcessMgr::uninstall_data()
{
    QTest::addColumn<QString>("en");
    QTest::addColumn<QString>("ch");
    QTest::addColumn<bool>("writeConfig");
    QTest::addColumn<QString>("installValue");  // null: no value
    QTest::addColumn<QString>("workingDir");
    QTest::addColumn<QStringList>("locked");
    QTest::addColumn<QStringList>("removed");   // relative to the sandbox, what must go
    QTest::addColumn<QStringList>("left");      // "Reason:path", in the order met
    QTest::addColumn<bool>("registryCleared");

    const QString en = "Kestrel";
    const QString ch = "凯斯特";
    const QString install = "@ROOT/Programs/Kestrel";
    const QStringList all = QStringList(kProductShortcuts) << "Programs/Kestrel";

    QTest::newRow("everything goes") << en << ch << true << install << "" << QStringList() << all
                                     << QStringList() << true;
    QTest::newRow("install path with a trailing slash")
        << en << ch << true << install + "/" << "" << QStringList() << all << QStringList() << true;
    // The value is read up to its first zero character.
    QTest::newRow("install path with a zero character")
        << en << ch << true << install + "\\0/../../home" << "" << QStringList() << all << QStringList()
        << true;
    QTest::newRow("install folder already missing")
        << en << ch << true << "@ROOT/Programs/Missing" << "" << QStringList() << kProductShortcuts
        << QStringList() << true;

    QTest::newRow("undeletable entries")
        << en << ch << true << install << ""
        << QStringList({"Programs/Kestrel/lib/a/b/c.dat", "D/Kestrel.lnk", "A/Kestrel/sub/x"}) << all
        << QStringList({"NotRemoved:@ROOT/Programs/Kestrel", "NotRemoved:@ROOT/Programs/Kestrel/lib/a/b/c.dat",
                        "NotRemoved:@D/Kestrel.lnk", "NotRemoved:@A/Kestrel",
                        "NotRemoved:@A/Kestrel/sub/x"})
        << true;
    QTest::newRow("registry entry that cannot be cleared")
        << en << ch << true << install << ""
        << QStringList({"@ROOT/config/appinstaller/registry/HKEY_CURRENT_USER/SOFTWARE/Microsoft/Windows/"
                        "CurrentVersion/Uninstall/" + QString::fromUtf8(kGuid) + ".ini"})
        << all << QStringList({"NotRemoved:@KEY"}) << false;

    // An install path the engine must refuse: the shortcuts and the entry
    // still go, the folder it names does not.
    QTest::newRow("no install path value") << en << ch << true << QString() << "" << QStringList()
                                           << kProductShortcuts << QStringList({"InvalidPath:"}) << true;
    QTest::newRow("invalid install path value") << en << ch << true << "@Invalid()" << "" << QStringList()
                                                << kProductShortcuts << QStringList({"InvalidPath:"}) << true;
    QTest::newRow("root") << en << ch << true << "/" << "" << QStringList() << kProductShortcuts
                          << QStringList({"ProtectedPath:/"}) << true;
    QTest::newRow("home") << en << ch << true << "@HOME" << "" << QStringList() << kProductShortcuts
                          << QStringList({"ProtectedPath:@HOME"}) << true;
    QTest::newRow("parent of home") << en << ch << true << "@ROOT" << "" << QStringList()
                                    << kProductShortcuts << QStringList({"ProtectedPath:@ROOT"}) << true;
    QTest::newRow("back into home") << en << ch << true << "@ROOT/Programs/Kestrel/../../home" << ""
                                    << QStringList() << kProductShortcuts
                                    << QStringList({"ProtectedPath:@ROOT/Programs/Kestrel/../../home"}) << true;
    QTest::newRow("relative") << en << ch << true << "Kestrel" << "@ROOT/Programs" << QStringList()
                              << kProductShortcuts << QStringList({"InvalidPath:Kestrel"}) << true;
    QTest::newRow("link to a folder outside")
        << en << ch << true << "@ROOT/Programs/KLink" << "" << QStringList()
        << (QStringList(kProductShortcuts) << "Programs/KLink") << QStringList() << true;
    QTest::newRow("tree holding links to outside")
        << en << ch << true << "@ROOT/Programs/Tree" << "" << QStringList()
        << (QStringList(kProductShortcuts) << "Programs/Tree") << QStringList() << true;

    // Names that are not plain file names are not used; the rest goes on.
    const QStringList fixedAndInstall = QStringList(kFixedShortcuts) << "Programs/Kestrel";
    QTest::newRow("names dot-dot and a/b")
        << ".." << "a/b" << true << install << "" << QStringList() << fixedAndInstall
        << QStringList({"UnsafeName:..", "UnsafeName:a/b"}) << true;
    QTest::newRow("names dot and backslash")
        << "." << "a\\b" << true << install << "" << QStringList() << fixedAndInstall
        << QStringList({"UnsafeName:.", "UnsafeName:a\\b"}) << true;
    QTest::newRow("no Chinese name") << en << QString() << true << install << "" << QStringList()
                                     << (QStringList(fixedAndInstall) << "D/Kestrel.lnk" << "P/Kestrel.lnk"
                                                                      << "A/Kestrel")
                                     << QStringList() << true;
    QTest::newRow("empty Chinese name") << en << "" << true << install << "" << QStringList()
                                        << (QStringList(fixedAndInstall) << "D/Kestrel.lnk" << "P/Kestrel.lnk"
                                                                         << "A/Kestrel")
                                        << QStringList() << true;
    QTest::newRow("default English name") << QString() << ch << true << install << "" << QStringList()
                                          << (QStringList(fixedAndInstall) << "D/凯斯特.lnk" << "P/凯斯特.lnk"
                                                                           << "A/凯斯特" << "P/Orvessa.lnk"
                                                                           << "A/Orvessa")
                                          << QStringList() << true;
    // Without a configuration there is no GUID: no path, no entry, no names.
    QTest::newRow("no configuration file") << QString() << QString() << false << install << "" << QStringList()
                                           << kFixedShortcuts << QStringList({"InvalidPath:"}) << false;
}

void tst_InstallProcessMgr::uninstall()
{
    QFETCH(QString, en);
    QFETCH(QString, ch);
    QFETCH(bool, writeConfig);
    QFETCH(QString, installValue);
    QFETCH(QString, workingDir);
    QFETCH(QStringList, locked);
    QFETCH(QStringList, removed);
    QFETCH(QStringList, left);
    QFETCH(bool, registryCleared);

    QVERIFY(stage(en, ch, installValue, writeConfig));
    QVERIFY(runAsNobodyWhenRoot());
    if (!m_asNobody && installValue == "/")
        QSKIP("runs only as root, with the engine dropped to nobody");
    if (!locked.isEmpty() && !lock(locked))
        QSKIP("chattr +i is not available here (needs root and a supporting file system)");

    const QStringList before = treeListing(m_root->path());
    QJsonObject result;
    QVERIFY(run(workingDir, result));

    // The four reports in order, each once, translated in the context
    // "QObject"; the leftovers right before 100; then the thread's end.
    const QJsonArray events = result.value("events").toArray();
    QCOMPARE(events.size(), 6);
    const struct
    {
        int value;
        const char *key;
    } reports[] = {{0, "BeganToUnloadWkJrSaJaAq"}, {30, "DeleteShortcutULXVgdVTs"},
                   {60, "ClearTheRegistryeuyqTkYHjj"}, {100, "Uninstalled"}};
    const int reportAt[] = {0, 1, 2, 4};
    for (int i = 0; i < 4; ++i) {
        const QJsonObject event = events.at(reportAt[i]).toObject();
        QCOMPARE(event.value("kind").toString(), QString("process"));
        QCOMPARE(event.value("value").toInt(), reports[i].value);
        QCOMPARE(event.value("text").toString(), "QObject|" + QString::fromLatin1(reports[i].key));
    }
    QCOMPARE(events.at(3).toObject().value("kind").toString(), QString("left"));
    QCOMPARE(events.at(5).toObject().value("kind").toString(), QString("finished"));
    QCOMPARE(result.value("emittedOnGuiThread").toInt(), 0);

    QStringList expectedLeft;
    for (const QString &item : qAsConst(left))
        expectedLeft << expand(item);
    QStringList actualLeft;
    for (const QJsonValue &item : events.at(3).toObject().value("items").toArray())
        actualLeft << item.toString();
    QCOMPARE(actualLeft, expectedLeft);

    // Exactly what was meant to go went; locked entries (and the folders
    // holding them) stayed; the registry store is looked at below.
    QStringList removedRel;
    for (const QString &r : qAsConst(removed))
        removedRel << rel(r);
    QStringList lockedRel;
    for (const QString &l : qAsConst(locked))
        lockedRel << (l.startsWith("@") ? expand(l).mid(m_root->path().size() + 1) : rel(l));
    QStringList expected;
    for (const QString &entry : before) {
        bool goes = false;
        for (const QString &r : qAsConst(removedRel))
            goes = goes || isAtOrBelow(entry, r);
        for (const QString &l : qAsConst(lockedRel))
            goes = goes && !isAtOrBelow(l, entry.endsWith('/') ? entry.chopped(1) : entry);
        if (!goes)
            expected << entry;
    }
    auto withoutStore = [](QStringList list) {
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [](const QString &e) { return e.startsWith("config/") || e.startsWith("cache/"); }),
                   list.end());
        return list;
    };
    QCOMPARE(withoutStore(treeListing(m_root->path())), withoutStore(expected));

    const auto entry = appinstaller::platform::openRegistryKey(RegistryMgr::keyPath(kGuid));
    QCOMPARE(entry->allKeys().isEmpty(), registryCleared);
}

void tst_InstallProcessMgr::reportsFollowTheWork()
{
    QVERIFY(stage("Kestrel", "凯斯特", "@ROOT/Programs/Kestrel", true));
    QVERIFY(runAsNobodyWhenRoot());
    QJsonObject result;
    QVERIFY(run(QString(), result));
    // What the worker saw as each report left it: each one comes before the
    // work it names, the last one after the entry was cleared.
    QStringList states;
    for (const QJsonValue &state : result.value("states").toArray())
        states << state.toString();
    QCOMPARE(states, QStringList({
                         "0: install=1 shortcut=1 registry=1",
                         "30: install=0 shortcut=1 registry=1",
                         "60: install=0 shortcut=0 registry=1",
                         "left: install=0 shortcut=0 registry=0",
                         "100: install=0 shortcut=0 registry=0",
                     }));
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--engine-run") == 0)
        return runEngine(argc, argv);
    QCoreApplication app(argc, argv);
    tst_InstallProcessMgr test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_installprocessmgr.moc"
