// The widget library's resource and file helpers: InitResource with real rcc
// files, GetTargetPath, CFile::ReadAll on disk folders and resource folders.

#include "controls/cfile.h"
#include "controls/varnel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QResource>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString sourceFile(const QString &relative)
{
    return QStringLiteral(UNINSTALLER_SOURCE_DIR "/") + relative;
}

QString textOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

using FileMap = QMap<QString, QByteArray>;

} // namespace

class TestVarnelResource : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void initResource_data();
    void initResource();
    void initResourceRegistersOnce();
    void initResourceKeepsOtherFilesReachable();
    void getTargetPath();
    void readAll_data();
    void readAll();
    void readAllResourceFolder();

private:
    // Packs the files (relative path -> content) of a qrc prefix into an rcc.
    QString makeRcc(const QString &name, const QString &prefix, const QMap<QString, QByteArray> &files);

    QTemporaryDir m_dir;
};

void TestVarnelResource::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFileInfo::exists(QStringLiteral(UNINSTALLER_BIN_DIR "/rcc/guiresource.rcc")),
             "bin/rcc/guiresource.rcc is not built");
}

QString TestVarnelResource::makeRcc(const QString &name, const QString &prefix,
                                    const QMap<QString, QByteArray> &files)
{
    const QString src = m_dir.filePath(name + QStringLiteral("-src"));
    QByteArray qrc = "<RCC><qresource prefix=\"" + prefix.toUtf8() + "\">";
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!writeFile(src + QLatin1Char('/') + it.key(), it.value()))
            return QString();
        qrc += "<file>" + it.key().toUtf8() + "</file>";
    }
    qrc += "</qresource></RCC>";
    if (!writeFile(src + QStringLiteral("/res.qrc"), qrc))
        return QString();

    const QString out = m_dir.filePath(name + QStringLiteral(".rcc"));
    QProcess rcc;
    rcc.setWorkingDirectory(src);
    rcc.start(QStringLiteral(UNINSTALLER_RCC), {QStringLiteral("--binary"), QStringLiteral("res.qrc"),
                                                QStringLiteral("-o"), out});
    if (!rcc.waitForFinished(-1) || rcc.exitCode() != 0) {
        qWarning() << rcc.readAllStandardError();
        return QString();
    }
    return out;
}

void TestVarnelResource::initResource_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("append");
    QTest::addColumn<bool>("expected");
    QTest::addColumn<QString>("after");

    const QString shipped = QStringLiteral(UNINSTALLER_BIN_DIR "/rcc/guiresource.rcc");
    const QString shippedSheet = textOf(sourceFile(QStringLiteral("controls/qss/guiresource.qss")));
    QVERIFY(!shippedSheet.isEmpty());

    const QString other = makeRcc(QStringLiteral("nosheet"), QStringLiteral("/Other"),
                                  {{QStringLiteral("readme.txt"), "not a sheet"}});
    const QString wrongFolder = makeRcc(QStringLiteral("wrongfolder"), QStringLiteral("/Varnel/Images"),
                                        {{QStringLiteral("a.qss"), "QWidget { color: red; }"}});
    const QString blank = makeRcc(QStringLiteral("blank"), QStringLiteral("/Varnel/Qss"),
                                  {{QStringLiteral("empty.qss"), "  \n"}});
    const QString two = makeRcc(QStringLiteral("two"), QStringLiteral("/Varnel/Qss"),
                                {{QStringLiteral("b.qss"), "QLabel { color: blue; }\n"},
                                 {QStringLiteral("A.qss"), "QLabel { color: red; }\n"},
                                 {QStringLiteral("notes.txt"), "ignored"}});
    QVERIFY(!other.isEmpty() && !wrongFolder.isEmpty() && !blank.isEmpty() && !two.isEmpty());
    const QString garbage = m_dir.filePath(QStringLiteral("garbage.rcc"));
    QVERIFY(writeFile(garbage, "this is no resource file"));

    const QString kept = QStringLiteral("QWidget { color: green; }");
    QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("absent.rcc")) << kept << false << false << kept;
    QTest::newRow("empty path") << QString() << kept << false << false << kept;
    QTest::newRow("a folder") << m_dir.path() << kept << false << false << kept;
    QTest::newRow("not a resource file") << garbage << kept << false << false << kept;
    QTest::newRow("no sheet in the file") << other << kept << false << false << kept;
    QTest::newRow("sheet in another folder") << wrongFolder << kept << false << false << kept;
    QTest::newRow("blank sheet") << blank << kept << false << false << kept;
    QTest::newRow("shipped file replaces") << shipped << kept << false << true << shippedSheet;
    QTest::newRow("shipped file appends") << shipped << kept << true << true << kept + shippedSheet;
    QTest::newRow("shipped file into empty text") << shipped << QString() << false << true << shippedSheet;
    QTest::newRow("sheets in name order, case ignored")
        << two << QString() << false << true
        << QStringLiteral("QLabel { color: red; }\nQLabel { color: blue; }\n");
}

void TestVarnelResource::initResource()
{
    QFETCH(QString, path);
    QFETCH(QString, before);
    QFETCH(bool, append);
    QFETCH(bool, expected);
    QFETCH(QString, after);

    QString sheet = before;
    QCOMPARE(Varnel::InitResource(path, sheet, append), expected);
    QCOMPARE(sheet, after);
}

void TestVarnelResource::initResourceRegistersOnce()
{
    const QString shipped = QStringLiteral(UNINSTALLER_BIN_DIR "/rcc/guiresource.rcc");
    QString first;
    QString second;
    QVERIFY(Varnel::InitResource(shipped, first, false));
    QVERIFY(Varnel::InitResource(shipped, second, false));
    QCOMPARE(second, first);
    // One registration: unregistering once takes the file's tree away.
    QVERIFY(QFile::exists(QStringLiteral(":/Varnel/Qss/guiresource.qss")));
    QVERIFY(QResource::unregisterResource(QFileInfo(shipped).canonicalFilePath()));
    QVERIFY(!QFile::exists(QStringLiteral(":/Varnel/Qss/guiresource.qss")));
    QVERIFY(QResource::registerResource(QFileInfo(shipped).canonicalFilePath()));
}

void TestVarnelResource::initResourceKeepsOtherFilesReachable()
{
    const QString rcc = makeRcc(QStringLiteral("withimage"), QStringLiteral("/Varnel"),
                                {{QStringLiteral("Qss/x.qss"), "QFrame { border: none; }"},
                                 {QStringLiteral("Images/dot.txt"), "payload"}});
    QVERIFY(!rcc.isEmpty());
    QString sheet;
    QVERIFY(Varnel::InitResource(rcc, sheet, false));
    QCOMPARE(sheet, QStringLiteral("QFrame { border: none; }"));
    QCOMPARE(textOf(QStringLiteral(":/Varnel/Images/dot.txt")), QStringLiteral("payload"));
    // The private mapping used for reading is gone again.
    const QStringList roots = QDir(QStringLiteral(":/")).entryList();
    for (const QString &root : roots)
        QVERIFY2(!root.startsWith(QLatin1String("varnel-probe")), qPrintable(root));
}

void TestVarnelResource::getTargetPath()
{
    const QString path = Varnel::GetTargetPath();
    QVERIFY(path.endsWith(QLatin1Char('/')));
    QCOMPARE(path, QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    QVERIFY(QFileInfo::exists(path + QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
    // The caller appends a folder name directly.
    QVERIFY(QDir(path + QStringLiteral(".")).exists());
}

void TestVarnelResource::readAll_data()
{
    QTest::addColumn<FileMap>("files");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("trailingSlash");
    QTest::addColumn<QString>("expected");

    const QMap<QString, QByteArray> ab{{QStringLiteral("a.qss"), "A{}"}, {QStringLiteral("b.qss"), "B{}\n"}};
    QTest::newRow("two files") << ab << QStringList{QStringLiteral("a.qss"), QStringLiteral("b.qss")} << true
                               << QStringLiteral("A{}B{}\n");
    QTest::newRow("order of the names") << ab << QStringList{QStringLiteral("b.qss"), QStringLiteral("a.qss")}
                                        << true << QStringLiteral("B{}\nA{}");
    QTest::newRow("missing file contributes nothing")
        << ab << QStringList{QStringLiteral("a.qss"), QStringLiteral("gone.qss"), QStringLiteral("b.qss")} << true
        << QStringLiteral("A{}B{}\n");
    QTest::newRow("folder without trailing slash")
        << ab << QStringList{QStringLiteral("a.qss")} << false << QStringLiteral("A{}");
    QTest::newRow("no names") << ab << QStringList() << true << QString();
    QTest::newRow("utf-8 text") << QMap<QString, QByteArray>{{QStringLiteral("u.qss"), "/* \xc3\xa9\xe4\xb8\xad */"}}
                                << QStringList{QStringLiteral("u.qss")} << true
                                << QStringLiteral("/* \u00e9\u4e2d */");
    QTest::newRow("byte-order mark dropped")
        << QMap<QString, QByteArray>{{QStringLiteral("m.qss"), "\xef\xbb\xbfQLabel{}"}}
        << QStringList{QStringLiteral("m.qss"), QStringLiteral("m.qss")} << true
        << QStringLiteral("QLabel{}QLabel{}");
    QTest::newRow("a folder among the names")
        << QMap<QString, QByteArray>{{QStringLiteral("sub/x.qss"), "X{}"}, {QStringLiteral("y.qss"), "Y{}"}}
        << QStringList{QStringLiteral("sub"), QStringLiteral("y.qss")} << true << QStringLiteral("Y{}");
}

void TestVarnelResource::readAll()
{
    QFETCH(FileMap, files);
    QFETCH(QStringList, names);
    QFETCH(bool, trailingSlash);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        QVERIFY(writeFile(dir.filePath(it.key()), it.value()));
    const QString folder = dir.path() + (trailingSlash ? QStringLiteral("/") : QString());
    QCOMPARE(Varnel::CFile::ReadAll(names, folder), expected);
}

void TestVarnelResource::readAllResourceFolder()
{
    const QString rcc = makeRcc(QStringLiteral("folder"), QStringLiteral("/ReadAll/Qss"),
                                {{QStringLiteral("one.qss"), "ONE{}"}, {QStringLiteral("two.qss"), "TWO{}"}});
    QVERIFY(!rcc.isEmpty());
    QVERIFY(QResource::registerResource(rcc));
    const QString folder = QStringLiteral(":/ReadAll/Qss/");
    const QStringList names = QDir(folder).entryList(QDir::Files);
    QCOMPARE(names, (QStringList{QStringLiteral("one.qss"), QStringLiteral("two.qss")}));
    QCOMPARE(Varnel::CFile::ReadAll(names, folder), QStringLiteral("ONE{}TWO{}"));
    QVERIFY(QResource::unregisterResource(rcc));
    QCOMPARE(Varnel::CFile::ReadAll(names, folder), QString());
}

QTEST_MAIN(TestVarnelResource)
#include "tst_varnelresource.moc"
