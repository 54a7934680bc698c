// The program's embedded resources and its Windows resources: both
// collections registered before main() in the right order and format, what
// the folders list, the images at their sizes and colours, the window style
// sheet's six rules, the compression of each file, the .ico's eleven images,
// the manifest and the .rc as windres reads it.

#include "controls/cfile.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QResource>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <QXmlStreamReader>
#include <QtEndian>
#include <QtTest>

namespace {

// Taken in main(), before anything of Qt is set up.
bool g_registeredBeforeMain = false;
QStringList g_topEntriesBeforeMain;

const QString kQssDir = QStringLiteral(":/Uninstall/Qss/");
const QString kImagesDir = QStringLiteral(":/Uninstall/Images/");

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString sourcePath(const QString &relative)
{
    return QStringLiteral(UNINSTALLER_SOURCE_DIR "/") + relative;
}

struct Rule
{
    QStringList selectors;
    QStringList declarations;
};

// Splits a style sheet into its rules: selectors as written (inner blanks
// kept), declarations trimmed and ending in ';'.
QVector<Rule> parseRules(QString sheet)
{
    sheet.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"),
                                    QRegularExpression::DotMatchesEverythingOption));
    QVector<Rule> rules;
    const QStringList blocks = sheet.split(QLatin1Char('}'));
    for (const QString &block : blocks) {
        const int open = block.indexOf(QLatin1Char('{'));
        if (open < 0)
            continue;
        Rule rule;
        for (const QString &selector : block.left(open).split(QLatin1Char(',')))
            rule.selectors << selector.trimmed();
        for (const QString &declaration : block.mid(open + 1).split(QLatin1Char(';'))) {
            const QString d = declaration.trimmed();
            if (!d.isEmpty())
                rule.declarations << d + QLatin1Char(';');
        }
        rules << rule;
    }
    return rules;
}

quint16 u16(const QByteArray &data, int at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 u32(const QByteArray &data, int at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

QString findWindres()
{
    for (const QString &name : {QStringLiteral("i686-w64-mingw32-windres"), QStringLiteral("x86_64-w64-mingw32-windres"),
                                QStringLiteral("windres")}) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void svgPluginPresent();
    void registeredBeforeMain();
    void styleSheetCollectionRegisteredFirst();
    void formatVersion_data();
    void formatVersion();
    void listings_data();
    void listings();
    void compression_data();
    void compression();
    void images_data();
    void images();
    void imageColours_data();
    void imageColours();
    void styleSheetIsTheShippedFile();
    void styleSheetRules_data();
    void styleSheetRules();
    void styleSheetParses();
    void iconFile_data();
    void iconFile();
    void iconFileReadByQt();
    void manifest();
    void windowsResourceScript();
};

void TestResources::svgPluginPresent()
{
    QVERIFY2(QImageReader::supportedImageFormats().contains("svg"),
             "Qt's SVG image plugin is missing: install libqt5svg5, or the title bar icon, the close button "
             "and the completion badge stay blank");
}

void TestResources::registeredBeforeMain()
{
    QVERIFY2(g_registeredBeforeMain, "the collections were not registered during static initialisation");
}

void TestResources::styleSheetCollectionRegisteredFirst()
{
    // The resource system lists a folder shared by several collections in the
    // order they were registered.
    QCOMPARE(g_topEntriesBeforeMain, (QStringList{QStringLiteral("Qss"), QStringLiteral("Images")}));
}

void TestResources::formatVersion_data()
{
    QTest::addColumn<QString>("collection");
    QTest::newRow("style sheet") << QStringLiteral("uninstallqss");
    QTest::newRow("images") << QStringLiteral("uninstallimages");
}

void TestResources::formatVersion()
{
    QFETCH(QString, collection);
    // The generated registration code states the format it registers.
    QDirIterator it(QStringLiteral(UNINSTALLER_BUILD_DIR "/resources/appresources_autogen"),
                    {QStringLiteral("qrc_%1.cpp").arg(collection)}, QDir::Files, QDirIterator::Subdirectories);
    QVERIFY2(it.hasNext(), "generated resource code not found");
    const QString code = QString::fromUtf8(bytesOf(it.next()));
    const QRegularExpression version(QStringLiteral("int version = (\\d+);"));
    auto matches = version.globalMatch(code);
    int count = 0;
    while (matches.hasNext()) {
        QCOMPARE(matches.next().captured(1), QStringLiteral("2"));
        ++count;
    }
    QCOMPARE(count, 2); // registration and unregistration
}

void TestResources::listings_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("style sheet folder") << kQssDir << QStringList{QStringLiteral("Uninstall.qss")};
    QTest::newRow("image folder") << kImagesDir
                                  << QStringList{QStringLiteral("Background.png"), QStringLiteral("common_close.svg"),
                                                 QStringLiteral("common_feedback_success_lg.svg"),
                                                 QStringLiteral("icon.svg")};
    QTest::newRow("top folder holds no files") << QStringLiteral(":/Uninstall/") << QStringList();
}

void TestResources::listings()
{
    QFETCH(QString, dir);
    QFETCH(QStringList, files);
    QCOMPARE(QDir(dir).entryList(QDir::Files), files);
}

void TestResources::compression_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("algorithm");
    QTest::newRow("Uninstall.qss") << kQssDir + QStringLiteral("Uninstall.qss") << int(QResource::NoCompression);
    QTest::newRow("Background.png") << kImagesDir + QStringLiteral("Background.png") << int(QResource::NoCompression);
    QTest::newRow("icon.svg") << kImagesDir + QStringLiteral("icon.svg") << int(QResource::ZlibCompression);
    QTest::newRow("common_close.svg") << kImagesDir + QStringLiteral("common_close.svg")
                                      << int(QResource::NoCompression);
    QTest::newRow("common_feedback_success_lg.svg")
        << kImagesDir + QStringLiteral("common_feedback_success_lg.svg") << int(QResource::NoCompression);
}

void TestResources::compression()
{
    QFETCH(QString, path);
    QFETCH(int, algorithm);
    const QResource resource(path);
    QVERIFY(resource.isValid());
    QCOMPARE(int(resource.compressionAlgorithm()), algorithm);
    if (algorithm == QResource::NoCompression)
        QCOMPARE(resource.size(), resource.uncompressedSize());
    else
        QVERIFY(resource.size() < resource.uncompressedSize());
    // Whatever the storage, the file reads back as its source.
    const QString source = path.startsWith(kQssDir) ? sourcePath(QStringLiteral("resources/Uninstall.qss"))
                                                    : sourcePath(QStringLiteral("resources/images/") +
                                                                 path.mid(kImagesDir.size()));
    QCOMPARE(bytesOf(path), bytesOf(source));
}

void TestResources::images_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("Background.png") << QStringLiteral("Background.png") << QSize(720, 320) << QByteArray("png");
    QTest::newRow("icon.svg") << QStringLiteral("icon.svg") << QSize(32, 32) << QByteArray("svg");
    QTest::newRow("common_close.svg") << QStringLiteral("common_close.svg") << QSize(24, 24) << QByteArray("svg");
    QTest::newRow("common_feedback_success_lg.svg")
        << QStringLiteral("common_feedback_success_lg.svg") << QSize(40, 40) << QByteArray("svg");
}

void TestResources::images()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);

    QImageReader reader(kImagesDir + name);
    QCOMPARE(reader.format(), format);
    QCOMPARE(reader.size(), size);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    QVERIFY(image.hasAlphaChannel());
}

void TestResources::imageColours_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("what");

    QTest::newRow("success badge: green disc") << QStringLiteral("common_feedback_success_lg.svg") << QPoint(5, 20)
                                               << QStringLiteral("#02bf0f");
    QTest::newRow("success badge: white check") << QStringLiteral("common_feedback_success_lg.svg")
                                                << QPoint(17, 26) << QStringLiteral("white");
    QTest::newRow("success badge: round, corner empty")
        << QStringLiteral("common_feedback_success_lg.svg") << QPoint(1, 1) << QStringLiteral("transparent");
    QTest::newRow("close: white cross at 0.7") << QStringLiteral("common_close.svg") << QPoint(12, 12)
                                               << QStringLiteral("white70");
    QTest::newRow("close: arm of the cross") << QStringLiteral("common_close.svg") << QPoint(7, 7)
                                             << QStringLiteral("white70");
    QTest::newRow("close: empty between the arms") << QStringLiteral("common_close.svg") << QPoint(12, 5)
                                                   << QStringLiteral("transparent");
    QTest::newRow("icon: red tile") << QStringLiteral("icon.svg") << QPoint(3, 28) << QStringLiteral("red");
    QTest::newRow("background: red, opaque") << QStringLiteral("Background.png") << QPoint(360, 160)
                                             << QStringLiteral("red");
}

void TestResources::imageColours()
{
    QFETCH(QString, name);
    QFETCH(QPoint, point);
    QFETCH(QString, what);

    const QImage image = QImage(kImagesDir + name).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!image.isNull());
    const QColor c = image.pixelColor(point);
    if (what == QLatin1String("transparent")) {
        QCOMPARE(c.alpha(), 0);
    } else if (what == QLatin1String("white")) {
        QVERIFY2(c.red() > 240 && c.green() > 240 && c.blue() > 240 && c.alpha() == 255, qPrintable(c.name(QColor::HexArgb)));
    } else if (what == QLatin1String("white70")) {
        QCOMPARE(QColor(c.rgb()).name(), QStringLiteral("#ffffff"));
        QVERIFY2(qAbs(c.alpha() - 178) <= 2, qPrintable(c.name(QColor::HexArgb)));
    } else if (what == QLatin1String("red")) {
        QCOMPARE(c.alpha(), 255);
        QVERIFY2(c.red() > c.green() + 80 && c.red() > c.blue() + 80, qPrintable(c.name()));
    } else {
        QCOMPARE(c.alpha(), 255);
        QCOMPARE(c.name(), what);
    }
}

void TestResources::styleSheetIsTheShippedFile()
{
    // The main window reads it this way.
    const QStringList names = QDir(kQssDir).entryList(QDir::Files);
    const QString sheet = Varnel::CFile::ReadAll(names, kQssDir);
    QCOMPARE(sheet, QString::fromUtf8(bytesOf(sourcePath(QStringLiteral("resources/Uninstall.qss")))));
    QVERIFY(sheet.size() > 800 && sheet.size() < 1400);
}

void TestResources::styleSheetRules_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("selectors");
    QTest::addColumn<QStringList>("declarations");

    QTest::newRow("1 header background")
        << 0 << QStringList{QStringLiteral("appinstaller--UpperWidget  QWidget#m_pUpperWidget")}
        << QStringList{QStringLiteral("border-image: url(:/Uninstall/Images/Background.png);"),
                       QStringLiteral("border-top-left-radius :4px;"), QStringLiteral("border-top-right-radius :4px;")};
    QTest::newRow("2 white card")
        << 1 << QStringList{QStringLiteral("appinstaller--MainWindow QStackedWidget#m_pInstallStackedWidget")}
        << QStringList{QStringLiteral("background: #FFFFFF;"), QStringLiteral("border:none;"),
                       QStringLiteral("border-radius: 4px;")};
    QTest::newRow("3 lower parts")
        << 2
        << QStringList{QStringLiteral("appinstaller--InstallingPage  QWidget#m_pBottomWidget"),
                       QStringLiteral("appinstaller--UnInstallCompletedPage  QWidget#m_pBottomWidget")}
        << QStringList{QStringLiteral("background: #FFFFFF;"), QStringLiteral("border-radius: 4px;")};
    QTest::newRow("4 success icon")
        << 3 << QStringList{QStringLiteral("appinstaller--UnInstallCompletedPage  QPushButton#m_pIconToolBtn")}
        << QStringList{QStringLiteral("background:transparent;"), QStringLiteral("border:none;"),
                       QStringLiteral("border-image:url(:/Uninstall/Images/common_feedback_success_lg.svg);")};
    QTest::newRow("5 completion message")
        << 4 << QStringList{QStringLiteral("appinstaller--UnInstallCompletedPage  QLabel#m_pInstallInfoLabel")}
        << QStringList{QStringLiteral("font-size: 20px;"), QStringLiteral("color: #02BF0F;"),
                       QStringLiteral("letter-spacing: 0;"), QStringLiteral("font-weight: bold;")};
    QTest::newRow("6 progress texts")
        << 5
        << QStringList{QStringLiteral("appinstaller--InstallingPage  QLabel#m_pInstallingLabel"),
                       QStringLiteral("appinstaller--InstallingPage  QLabel#m_pInstallProgressLabel")}
        << QStringList{QStringLiteral("font-size: 14px;"), QStringLiteral("color: rgba(0,0,0,0.70);"),
                       QStringLiteral("line-height: 20px;")};
}

void TestResources::styleSheetRules()
{
    QFETCH(int, index);
    QFETCH(QStringList, selectors);
    QFETCH(QStringList, declarations);

    const QVector<Rule> rules =
        parseRules(QString::fromUtf8(bytesOf(kQssDir + QStringLiteral("Uninstall.qss"))));
    QCOMPARE(rules.size(), 6);
    QCOMPARE(rules.at(index).selectors, selectors);
    QCOMPARE(rules.at(index).declarations, declarations);
}

static QStringList s_styleWarnings;

static void collectStyleWarnings(QtMsgType, const QMessageLogContext &, const QString &message)
{
    s_styleWarnings << message;
}

void TestResources::styleSheetParses()
{
    const QString sheet = QString::fromUtf8(bytesOf(kQssDir + QStringLiteral("Uninstall.qss")));
    s_styleWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectStyleWarnings);
    QWidget widget;
    widget.setStyleSheet(sheet);
    widget.ensurePolished();
    widget.show();
    const bool exposed = QTest::qWaitForWindowExposed(&widget);
    qInstallMessageHandler(previous);
    QVERIFY(exposed);
    for (const QString &warning : qAsConst(s_styleWarnings))
        QVERIFY2(!warning.contains(QLatin1String("parse"), Qt::CaseInsensitive), qPrintable(warning));
}

void TestResources::iconFile_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bpp");
    QTest::addColumn<bool>("png");

    QTest::newRow("256 png") << 0 << 256 << 32 << true;
    const int sizes[] = {128, 96, 80, 72, 64, 48, 32, 24, 16};
    int i = 1;
    for (const int size : sizes) {
        QTest::newRow(qPrintable(QStringLiteral("%1 at 32 bpp").arg(size))) << i << size << 32 << false;
        ++i;
    }
    QTest::newRow("16 at 8 bpp") << 10 << 16 << 8 << false;
}

void TestResources::iconFile()
{
    QFETCH(int, index);
    QFETCH(int, size);
    QFETCH(int, bpp);
    QFETCH(bool, png);

    const QByteArray ico = bytesOf(sourcePath(QStringLiteral("resources/icon.ico")));
    QVERIFY(ico.size() > 6);
    QCOMPARE(u16(ico, 0), quint16(0));
    QCOMPARE(u16(ico, 2), quint16(1));
    QCOMPARE(u16(ico, 4), quint16(11));

    const int entry = 6 + 16 * index;
    QCOMPARE(int(quint8(ico.at(entry))), size == 256 ? 0 : size);
    QCOMPARE(int(quint8(ico.at(entry + 1))), size == 256 ? 0 : size);
    QCOMPARE(int(u16(ico, entry + 4)), 1);
    QCOMPARE(int(u16(ico, entry + 6)), bpp);
    const quint32 length = u32(ico, entry + 8);
    const quint32 offset = u32(ico, entry + 12);
    QVERIFY(offset + length <= quint32(ico.size()));
    const QByteArray image = ico.mid(int(offset), int(length));

    if (png) {
        QVERIFY(image.startsWith("\x89PNG\r\n\x1a\n"));
        const QImage decoded = QImage::fromData(image, "PNG");
        QCOMPARE(decoded.size(), QSize(size, size));
        QVERIFY(decoded.hasAlphaChannel());
        return;
    }
    QCOMPARE(u32(image, 0), quint32(40));
    QCOMPARE(int(u32(image, 4)), size);
    QCOMPARE(int(u32(image, 8)), 2 * size);
    QCOMPARE(int(u16(image, 14)), bpp);
    QCOMPARE(u32(image, 16), quint32(0));
    const int palette = bpp == 8 ? 256 * 4 : 0;
    const int colourRow = ((size * bpp + 31) / 32) * 4;
    const int maskRow = ((size + 31) / 32) * 4;
    QCOMPARE(image.size(), 40 + palette + (colourRow + maskRow) * size);
}

void TestResources::iconFileReadByQt()
{
    QImageReader reader(sourcePath(QStringLiteral("resources/icon.ico")), "ico");
    QVERIFY(reader.canRead());
    QCOMPARE(reader.imageCount(), 11);
    const int sizes[] = {256, 128, 96, 80, 72, 64, 48, 32, 24, 16, 16};
    for (int i = 0; i < 11; ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(QStringLiteral("image %1: %2").arg(i).arg(reader.errorString())));
        QCOMPARE(image.size(), QSize(sizes[i], sizes[i]));
        // The logo's red in the middle of the left edge of the tile.
        const QColor c = image.pixelColor(sizes[i] / 8, sizes[i] * 7 / 8);
        QVERIFY2(c.red() > c.green() + 60, qPrintable(QStringLiteral("image %1: %2").arg(i).arg(c.name())));
    }
}

void TestResources::manifest()
{
    QFile file(sourcePath(QStringLiteral("resources/uninstall.manifest")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    int levels = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("requestedExecutionLevel")) {
            ++levels;
            QCOMPARE(xml.attributes().value(QLatin1String("level")).toString(), QStringLiteral("requireAdministrator"));
            QCOMPARE(xml.attributes().value(QLatin1String("uiAccess")).toString(), QStringLiteral("false"));
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(levels, 1);
}

void TestResources::windowsResourceScript()
{
    const QString windres = findWindres();
    if (windres.isEmpty())
        QSKIP("no windres (mingw-w64) on this machine");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString resources = sourcePath(QStringLiteral("resources"));
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(windres, {QStringLiteral("-I"), resources, QStringLiteral("-i"), resources + QStringLiteral("/uninstall.rc"),
                            QStringLiteral("-O"), QStringLiteral("rc"), QStringLiteral("-o"), dir.filePath(QStringLiteral("out.rc"))});
    QVERIFY(process.waitForFinished(-1));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    // windres writes back what it compiled, one resource after another.
    const QString out = QString::fromLatin1(bytesOf(dir.filePath(QStringLiteral("out.rc"))));

    const int group = out.indexOf(QLatin1String("\"IDI_ICON1\" 14"));
    QVERIFY2(group >= 0, "no icon group IDI_ICON1");
    const QString groupText = out.mid(group, out.indexOf(QLatin1String("END"), group) - group);
    QVERIFY(groupText.contains(QLatin1String("Has 11 elements")));
    const QRegularExpression element(QStringLiteral("\"([^\"]*)\", 1, (\\d+), "));
    QStringList bits;
    auto it = element.globalMatch(groupText);
    while (it.hasNext())
        bits << it.next().captured(2);
    QCOMPARE(bits.join(QLatin1Char(' ')), QStringLiteral("32 32 32 32 32 32 32 32 32 32 8"));
    const int language = out.lastIndexOf(QLatin1String("LANGUAGE"), group);
    QVERIFY(language >= 0);
    QCOMPARE(out.mid(language, 13), QStringLiteral("LANGUAGE 9, 1"));

    const int manifest = out.indexOf(QLatin1String("1 24 /* RT_MANIFEST */"));
    QVERIFY2(manifest >= 0, "no manifest resource 1");
    QVERIFY(out.indexOf(QLatin1String("requireAdministrator"), manifest) > manifest);
}

int main(int argc, char **argv)
{
    g_registeredBeforeMain = QFile::exists(QStringLiteral(":/Uninstall/Qss/Uninstall.qss")) &&
                             QFile::exists(QStringLiteral(":/Uninstall/Images/icon.svg"));
    QDirIterator it(QStringLiteral(":/Uninstall"));
    while (it.hasNext()) {
        it.next();
        g_topEntriesBeforeMain << it.fileName();
    }

    QApplication app(argc, argv);
    TestResources test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resources.moc"
