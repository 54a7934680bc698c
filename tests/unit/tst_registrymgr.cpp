#include "config/registrymgr.h"
#include "platform/registrystore.h"

#include "programcopy.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <cstring>

using appinstaller::RegistryMgr;

namespace {

RegistryMgr *registry()
{
    return Base::CSingleton<RegistryMgr>::instance();
}

// Writes values into a product's entry; "sub/name" lands in a sub-key.
void stageEntry(const QByteArray &guid, const QVariantMap &values)
{
    const auto settings = appinstaller::platform::openRegistryKey(RegistryMgr::keyPath(guid));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings->setValue(it.key(), it.value());
}

// Child mode: runs the public operations with the GUID of AppConfig.xml.
int runChild(const char *operation)
{
    QTextStream out(stdout);
    RegistryMgr *mgr = registry();
    if (std::strcmp(operation, "installed") == 0)
        out << (mgr->isInstalled() ? "yes" : "no");
    else if (std::strcmp(operation, "path") == 0)
        out << mgr->getInstallPath().toHex();
    else if (std::strcmp(operation, "clear") == 0)
        mgr->clearUninstallEntry();
    else if (std::strcmp(operation, "others") == 0)
        out << mgr->otherInstallPaths().join(QLatin1Char('|'));
    else
        return 2;
    return 0;
}

} // namespace

class tst_RegistryMgr : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void keyPathIsExact();
    void hasEntry_data();
    void hasEntry();
    void readValue_data();
    void readValue();
    void guidIsUsedVerbatim();
    void hostileGuidStaysInStore_data();
    void hostileGuidStaysInStore();
    void publicOperations_data();
    void publicOperations();
    void emptyGuidNeverTouchesSharedKey();
    void otherProductsInstallPaths();

private:
    QByteArray child(const QByteArray &guid, const char *operation);
    QTemporaryDir m_config;
    ProgramCopy m_copy;
};

void tst_RegistryMgr::initTestCase()
{
    QVERIFY(m_config.isValid());
    QVERIFY(m_copy.isValid());
    // Parent and child runs share this private store.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(appinstaller::platform::registryFolder().startsWith(m_config.path()));
}

void tst_RegistryMgr::init()
{
    QDir(m_config.path() + QStringLiteral("/appinstaller")).removeRecursively();
}

QByteArray tst_RegistryMgr::child(const QByteArray &guid, const char *operation)
{
    if (guid.isNull())
        m_copy.removeFile(QStringLiteral("AppConfig.xml"));
    else
        m_copy.writeFile(QStringLiteral("AppConfig.xml"), "<c><GUID>" + guid + "</GUID></c>");
    const ProgramCopy::Result result = m_copy.run({QStringLiteral("--child"), QString::fromLatin1(operation)});
    if (result.crashed || result.exitCode != 0)
        return "failed: " + result.err;
    return result.out;
}

void tst_RegistryMgr::keyPathIsExact()
{
    QCOMPARE(RegistryMgr::uninstallKeyRoot().size(), 52);
    QCOMPARE(RegistryMgr::keyPath("{1234}"),
             QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{1234}"));
    QCOMPARE(appinstaller::platform::registryKeyFile(RegistryMgr::keyPath("{1234}")),
             m_config.path()
                 + QStringLiteral("/appinstaller/registry/HKEY_CURRENT_USER/SOFTWARE/Microsoft/"
                                  "Windows/CurrentVersion/Uninstall/{1234}.ini"));
}

void tst_RegistryMgr::hasEntry_data()
{
    QTest::addColumn<QVariantMap>("values");
    QTest::addColumn<bool>("installed");

    QTest::newRow("no entry") << QVariantMap() << false;
    QTest::newRow("one value") << QVariantMap{{QStringLiteral("installpath"), QStringLiteral("/x")}} << true;
    QTest::newRow("value only in a sub-key") << QVariantMap{{QStringLiteral("sub/deeper/v"), 1}} << true;
    QTest::newRow("values without installpath") << QVariantMap{{QStringLiteral("DisplayName"), QStringLiteral("X")}} << true;
}

void tst_RegistryMgr::hasEntry()
{
    QFETCH(QVariantMap, values);
    QFETCH(bool, installed);

    stageEntry("{1234}", values);
    QCOMPARE(registry()->hasEntry("{1234}"), installed);
}

void tst_RegistryMgr::readValue_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("text") << QByteArray("installpath=/opt/X\n") << QByteArray("/opt/X");
    QTest::newRow("UTF-8 staged by hand") << QByteArray("installpath=/opt/\xc3\xa9\n") << QByteArray("/opt/\xc3\xa9");
    QTest::newRow("missing") << QByteArray("other=1\n") << QByteArray();
    QTest::newRow("invalid value") << QByteArray("installpath=@Invalid()\n") << QByteArray();
    QTest::newRow("number") << QByteArray("installpath=42\n") << QByteArray("42");
    QTest::newRow("empty") << QByteArray("installpath=\n") << QByteArray();
}

void tst_RegistryMgr::readValue()
{
    QFETCH(QByteArray, ini);
    QFETCH(QByteArray, value);

    const QString file = appinstaller::platform::registryKeyFile(RegistryMgr::keyPath("{1234}"));
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(ini);
    out.close();
    QCOMPARE(registry()->readValue("installpath", "{1234}"), value);
}

void tst_RegistryMgr::guidIsUsedVerbatim()
{
    stageEntry("{1234}", {{QStringLiteral("installpath"), QStringLiteral("/braced")}});
    QVERIFY(registry()->hasEntry("{1234}"));
    QVERIFY(!registry()->hasEntry("1234"));
    QVERIFY(!registry()->hasEntry(" {1234} "));
    stageEntry(" {1234} ", {{QStringLiteral("installpath"), QStringLiteral("/spaced")}});
    QCOMPARE(registry()->readValue("installpath", " {1234} "), QByteArray("/spaced"));
    QCOMPARE(registry()->readValue("installpath", "{1234}"), QByteArray("/braced"));
}

void tst_RegistryMgr::hostileGuidStaysInStore_data()
{
    QTest::addColumn<QByteArray>("guid");
    QTest::addColumn<QByteArray>("neighbour");

    QTest::newRow("backslash climb") << QByteArray("..\\..\\x") << QByteArray("x");
    QTest::newRow("slash climb") << QByteArray("../../../../x") << QByteArray("x");
    QTest::newRow("slash inside") << QByteArray("a/b") << QByteArray("a\\b");
    QTest::newRow("dot") << QByteArray(".") << QByteArray("%2E");
    QTest::newRow("dots") << QByteArray("..") << QByteArray("...");
    QTest::newRow("percent") << QByteArray("%2F") << QByteArray("/");
    QTest::newRow("absolute") << QByteArray("/etc/passwd") << QByteArray("passwd");
    QTest::newRow("trailing separator") << QByteArray("x\\") << QByteArray("x");
}

void tst_RegistryMgr::hostileGuidStaysInStore()
{
    QFETCH(QByteArray, guid);
    QFETCH(QByteArray, neighbour);

    QVERIFY(!RegistryMgr::keyPath(guid).isEmpty());
    stageEntry(guid, {{QStringLiteral("installpath"), QStringLiteral("/x")}});
    QVERIFY(registry()->hasEntry(guid));
    QVERIFY2(!registry()->hasEntry(neighbour), "two GUIDs share one entry");

    // Every file the store wrote lies inside its folder.
    const QString store = appinstaller::platform::registryFolder() + QLatin1Char('/');
    QDirIterator it(m_config.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = QDir::cleanPath(it.next());
        QVERIFY2(path.startsWith(store), qPrintable(path));
        ++files;
    }
    QCOMPARE(files, 1);

    registry()->clearUninstallEntry(); // the configured GUID is empty here: no-op
    QVERIFY(registry()->hasEntry(guid));
}

void tst_RegistryMgr::publicOperations_data()
{
    QTest::addColumn<QVariantMap>("values");
    QTest::addColumn<QByteArray>("installed");
    QTest::addColumn<QByteArray>("path");

    QTest::newRow("installed with path")
        << QVariantMap{{QStringLiteral("installpath"), QStringLiteral("/opt/Orvessa")}} << QByteArray("yes")
        << QByteArray("/opt/Orvessa");
    QTest::newRow("installed without path")
        << QVariantMap{{QStringLiteral("DisplayName"), QStringLiteral("X")}} << QByteArray("yes") << QByteArray();
    QTest::newRow("sub-key only")
        << QVariantMap{{QStringLiteral("sub/installpath"), QStringLiteral("/no")}} << QByteArray("yes") << QByteArray();
    QTest::newRow("not installed") << QVariantMap() << QByteArray("no") << QByteArray();
}

void tst_RegistryMgr::publicOperations()
{
    QFETCH(QVariantMap, values);
    QFETCH(QByteArray, installed);
    QFETCH(QByteArray, path);

    const QByteArray guid("{A1B2-C3}");
    stageEntry(guid, values);
    stageEntry("{other}", {{QStringLiteral("installpath"), QStringLiteral("/opt/Other")}});

    QCOMPARE(child(guid, "installed"), installed);
    QCOMPARE(QByteArray::fromHex(child(guid, "path")), path);
    QCOMPARE(child(guid, "clear"), QByteArray());
    QCOMPARE(child(guid, "installed"), QByteArray("no"));
    QVERIFY(!registry()->hasEntry(guid));
    // Clearing an entry that is already empty ends quietly.
    QCOMPARE(child(guid, "clear"), QByteArray());
    QVERIFY2(registry()->hasEntry("{other}"), "another product's entry was touched");
}

void tst_RegistryMgr::emptyGuidNeverTouchesSharedKey()
{
    // A value in the Uninstall key itself, and another product's entry.
    const QString shared = QStringLiteral("HKEY_CURRENT_USER\\") + QString::fromLatin1(RegistryMgr::uninstallKeyRoot());
    appinstaller::platform::openRegistryKey(shared.chopped(1))->setValue(QStringLiteral("v"), 1);
    appinstaller::platform::openRegistryKey(shared + QStringLiteral("%"))->setValue(QStringLiteral("v"), 1);
    stageEntry("{other}", {{QStringLiteral("installpath"), QStringLiteral("/opt/Other")}});

    for (const QByteArray &guid : {QByteArray(), QByteArray(""), QByteArray("\\"), QByteArray("\\/\\")}) {
        QVERIFY(RegistryMgr::keyPath(guid).isEmpty());
        QVERIFY(!registry()->hasEntry(guid));
        QCOMPARE(registry()->readValue("v", guid), QByteArray());
        // No file at all, and a file without a GUID element, give an empty GUID.
        QCOMPARE(child(guid.isNull() ? QByteArray() : guid, "installed"), QByteArray("no"));
        QCOMPARE(child(guid.isNull() ? QByteArray() : guid, "path"), QByteArray());
        QCOMPARE(child(guid.isNull() ? QByteArray() : guid, "clear"), QByteArray());
    }
    QVERIFY(registry()->hasEntry("{other}"));
    QCOMPARE(appinstaller::platform::openRegistryKey(shared.chopped(1))->value(QStringLiteral("v")).toInt(), 1);
    QCOMPARE(appinstaller::platform::openRegistryKey(shared + QStringLiteral("%"))->value(QStringLiteral("v")).toInt(), 1);
}

void tst_RegistryMgr::otherProductsInstallPaths()
{
    const QByteArray guid("{A1B2-C3}");
    stageEntry(guid, {{QStringLiteral("installpath"), QStringLiteral("/opt/Mine")}});
    stageEntry("{other}", {{QStringLiteral("installpath"), QStringLiteral("/opt/Other")}});
    stageEntry("Windows Style", {{QStringLiteral("InstallLocation"), QStringLiteral("/opt/Win")}});
    stageEntry("a/b", {{QStringLiteral("installpath"), QStringLiteral("/opt/Slashed")}});
    stageEntry("..", {{QStringLiteral("installpath"), QStringLiteral("/opt/Dots")}});
    stageEntry("NoPath", {{QStringLiteral("DisplayName"), QStringLiteral("x")}});
    // Values only in a deeper key of an entry name no install folder of it.
    stageEntry("Deep\\Sub", {{QStringLiteral("installpath"), QStringLiteral("/opt/Deep")}});

    QStringList others = QString::fromUtf8(child(guid, "others")).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    others.sort();
    QCOMPARE(others, QStringList({"/opt/Dots", "/opt/Other", "/opt/Slashed", "/opt/Win"}));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argv[2]);
    tst_RegistryMgr test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registrymgr.moc"
