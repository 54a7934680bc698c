#include "engine/installpathguard.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using appinstaller::InstallPathGuard;
using Verdict = InstallPathGuard::Verdict;

Q_DECLARE_METATYPE(InstallPathGuard::Verdict)

// The user's folders come from a private HOME and XDG folders below a
// temporary root: @ROOT, @HOME, @DATA and @CONFIG in the tables stand for them.
class tst_InstallPathGuard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void checkInstallPath_data();
    void checkInstallPath();
    void otherProducts_data();
    void otherProducts();
    void protectedLocationsAreClean();
    void isPlainName_data();
    void isPlainName();

private:
    QString expand(QString path) const;

    QTemporaryDir m_root;
};

void tst_InstallPathGuard::initTestCase()
{
    QVERIFY(m_root.isValid());
    const QString root = m_root.path();
    QVERIFY(QDir().mkpath(root + "/home/Desktop"));
    QVERIFY(QDir().mkpath(root + "/data/applications"));
    QVERIFY(QDir().mkpath(root + "/config"));
    QVERIFY(QDir().mkpath(root + "/Programs/Orvessa"));
    QVERIFY(QFile::link("/", root + "/toroot"));
    QVERIFY(QFile::link(root + "/home", root + "/tohome"));
    QVERIFY(QFile::link(root, root + "/tosandbox"));
    qputenv("HOME", QFile::encodeName(root + "/home"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + "/config"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root + "/cache"));
    QCOMPARE(QDir::homePath(), root + "/home");
    QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation), root + "/home/Desktop");
}

QString tst_InstallPathGuard::expand(QString path) const
{
    const QString root = m_root.path();
    path.replace("@HOME", root + "/home");
    path.replace("@DATA", root + "/data");
    path.replace("@CONFIG", root + "/config");
    path.replace("@ROOT", root);
    return path;
}

void tst_InstallPathGuard::checkInstallPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Verdict>("verdict");

    QTest::newRow("empty") << "" << Verdict::Invalid;
    QTest::newRow("relative") << "Programs/Orvessa" << Verdict::Invalid;
    QTest::newRow("dot relative") << "./Orvessa" << Verdict::Invalid;
    QTest::newRow("parent relative") << "../Orvessa" << Verdict::Invalid;
    QTest::newRow("zero character") << QString("@ROOT/Programs/Orvessa") + QChar(0) + "/x" << Verdict::Invalid;
    QTest::newRow("climbs above the root") << "/../Orvessa" << Verdict::Invalid;

    QTest::newRow("root") << "/" << Verdict::Protected;
    QTest::newRow("double slash") << "//" << Verdict::Protected;
    QTest::newRow("root with dot") << "/." << Verdict::Protected;
    QTest::newRow("usr") << "/usr" << Verdict::Protected;
    QTest::newRow("usr with slash") << "/usr/" << Verdict::Protected;
    QTest::newRow("usr/bin/..") << "/usr/bin/.." << Verdict::Protected;
    QTest::newRow("opt/../etc") << "/opt/../etc" << Verdict::Protected;
    QTest::newRow("tmp") << "/tmp" << Verdict::Protected;
    QTest::newRow("var/lib") << "/var/lib" << Verdict::Protected;
    QTest::newRow("var") << "/var" << Verdict::Protected;
    QTest::newRow("home root") << "/home" << Verdict::Protected;
    QTest::newRow("opt") << "/opt" << Verdict::Protected;
    QTest::newRow("usr/share") << "/usr/share" << Verdict::Protected;

    QTest::newRow("below opt") << "/opt/Orvessa" << Verdict::Allowed;
    QTest::newRow("below usr/local") << "/usr/local/Orvessa" << Verdict::Allowed;
    QTest::newRow("below var/lib") << "/var/lib/orvessa" << Verdict::Allowed;
    QTest::newRow("below tmp") << "/tmp/some/Orvessa" << Verdict::Allowed;

    QTest::newRow("home") << "@HOME" << Verdict::Protected;
    QTest::newRow("home with slash") << "@HOME/" << Verdict::Protected;
    QTest::newRow("folder of the homes") << "@ROOT" << Verdict::Protected;
    QTest::newRow("ancestor of home") << QDir::cleanPath(QDir::tempPath()) << Verdict::Protected;
    QTest::newRow("desktop") << "@HOME/Desktop" << Verdict::Protected;
    QTest::newRow("documents") << "@HOME/Documents" << Verdict::Protected;
    QTest::newRow("downloads") << "@HOME/Downloads" << Verdict::Protected;
    QTest::newRow("data") << "@DATA" << Verdict::Protected;
    QTest::newRow("config") << "@CONFIG" << Verdict::Protected;
    QTest::newRow("start menu") << "@DATA/applications" << Verdict::Protected;
    QTest::newRow("public desktop") << "@DATA/appinstaller/PublicDesktop/" << Verdict::Protected;
    QTest::newRow("ancestor of the public desktop") << "@DATA/appinstaller" << Verdict::Protected;
    QTest::newRow("back into home") << "@ROOT/Programs/Orvessa/../../home" << Verdict::Protected;
    QTest::newRow("another product's parent") << "@ROOT/Programs/Other/.." << Verdict::Invalid;
    QTest::newRow("down and up again") << "@ROOT/Programs/Other/../Orvessa" << Verdict::Invalid;

    QTest::newRow("product folder") << "@ROOT/Programs/Orvessa" << Verdict::Allowed;
    QTest::newRow("product folder with slash") << "@ROOT/Programs/Orvessa/" << Verdict::Allowed;
    QTest::newRow("product folder below home") << "@HOME/Apps/Orvessa" << Verdict::Allowed;
    QTest::newRow("missing product folder") << "@ROOT/Programs/Missing" << Verdict::Allowed;
    QTest::newRow("product in the start menu") << "@DATA/applications/Orvessa" << Verdict::Allowed;

    QTest::newRow("through a link to the root") << "@ROOT/toroot/usr" << Verdict::Protected;
    QTest::newRow("through a link to the sandbox") << "@ROOT/tosandbox/home" << Verdict::Protected;
    QTest::newRow("through a link below home") << "@ROOT/tohome/Apps" << Verdict::Allowed;
    // The last component is removed as a link, never followed.
    QTest::newRow("a link to the root itself") << "@ROOT/toroot" << Verdict::Allowed;
}

void tst_InstallPathGuard::otherProducts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<Verdict>("verdict");

    const QStringList other{"@ROOT/Programs/Other"};
    QTest::newRow("beside another product") << "@ROOT/Programs/Orvessa" << other << Verdict::Allowed;
    QTest::newRow("folder holding another product") << "@ROOT/Programs" << other << Verdict::Protected;
    QTest::newRow("another product itself") << "@ROOT/Programs/Other/" << other << Verdict::Protected;
    QTest::newRow("inside another product") << "@ROOT/Programs/Other/Plugin" << other << Verdict::Allowed;
    QTest::newRow("another product inside this one") << "@ROOT/Programs/Orvessa"
                                                     << QStringList{"@ROOT/Programs/Orvessa/Addon"} << Verdict::Protected;
    QTest::newRow("recorded with a slash at the end and a detour")
        << "@ROOT/Programs" << QStringList{"@ROOT/Programs/./Other/"} << Verdict::Protected;
    QTest::newRow("relative record ignored") << "@ROOT/Programs/Orvessa" << QStringList{"Programs/Orvessa"}
                                             << Verdict::Allowed;
}

void tst_InstallPathGuard::otherProducts()
{
    QFETCH(QString, path);
    QFETCH(QStringList, others);
    QFETCH(Verdict, verdict);

    QStringList expanded;
    for (const QString &other : qAsConst(others))
        expanded << expand(other);
    QCOMPARE(InstallPathGuard::checkInstallPath(expand(path), expanded), verdict);
}

void tst_InstallPathGuard::checkInstallPath()
{
    QFETCH(QString, path);
    QFETCH(Verdict, verdict);
    QCOMPARE(InstallPathGuard::checkInstallPath(expand(path)), verdict);
}

void tst_InstallPathGuard::protectedLocationsAreClean()
{
    const QStringList locations = InstallPathGuard::protectedLocations();
    QVERIFY(locations.contains(m_root.path() + "/home"));
    QVERIFY(locations.contains(m_root.path() + "/home/Desktop"));
    QVERIFY(locations.contains(m_root.path() + "/data/applications"));
    for (const QString &location : locations) {
        QVERIFY2(QDir::isAbsolutePath(location), qPrintable(location));
        QCOMPARE(location, QDir::cleanPath(location));
    }
}

void tst_InstallPathGuard::isPlainName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plain");

    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("three dots") << "..." << false;
    QTest::newRow("blank") << " " << false;
    QTest::newRow("dots and blanks") << ". ." << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("only slash") << "/" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("parent through slash") << "../x" << false;
    QTest::newRow("zero character") << QString("ab") + QChar(0) + "c" << false;
    QTest::newRow("plain") << "Orvessa" << true;
    QTest::newRow("with blank") << "Orvessa Notes" << true;
    QTest::newRow("chinese") << "奥维萨" << true;
    QTest::newRow("leading dot") << ".hidden" << true;
    QTest::newRow("dots inside") << "a..b" << true;
}

void tst_InstallPathGuard::isPlainName()
{
    QFETCH(QString, name);
    QFETCH(bool, plain);
    QCOMPARE(InstallPathGuard::isPlainName(name), plain);
}

QTEST_GUILESS_MAIN(tst_InstallPathGuard)

#include "tst_installpathguard.moc"
