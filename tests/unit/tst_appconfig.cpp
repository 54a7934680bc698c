#include "config/appconfig.h"

#include "programcopy.h"

#include <QCoreApplication>
#include <QMap>
#include <QTextStream>
#include <QtTest>

#include <cstring>

namespace appinstaller {

// Prints the whole record, so the parent can compare every field; values are
// hex so spaces and line breaks survive.
class AppConfigDump
{
public:
    static void print()
    {
        const AppConfig *c = Base::CSingleton<AppConfig>::instance();
        QTextStream out(stdout);
        auto line = [&out](const char *key, const QByteArray &value) {
            out << key << ' ' << value.toHex() << '\n';
        };
        line("GUID", c->GUID);
        line("Version", c->Version);
        line("CompanyName", c->CompanyName);
        line("Translator", QByteArray::number(c->Translator));
        line("VersionType", QByteArray::number(c->VersionType));
        line("SoftwareNameEN", c->SoftwareNameEN);
        line("SoftwareNameCH", c->SoftwareNameCH);
        line("LegalCopyright", c->LegalCopyright);
        QByteArray components;
        for (const ComponentInfo &info : c->Components)
            components += info.Name.toUtf8() + '|' + info.FilePath.toUtf8() + ';';
        line("Components", components);
        line("InstallPath", c->InstallPath);
        line("ProgramName", c->ProgramName);
        line("SettingFile", c->SettingFile);
        line("getGuid", c->getGuid());
        line("getProgramName", c->getProgramName());
    }
};

} // namespace appinstaller

using Record = QMap<QString, QByteArray>;
Q_DECLARE_METATYPE(Record)

namespace {

Record parseDump(const QByteArray &output)
{
    Record record;
    for (const QByteArray &line : output.split('\n')) {
        const int blank = line.indexOf(' ');
        if (blank > 0)
            record.insert(QString::fromLatin1(line.left(blank)), QByteArray::fromHex(line.mid(blank + 1)));
    }
    return record;
}

// The record of a readable file that holds no key at all.
Record defaults()
{
    return {{QStringLiteral("SoftwareNameEN"), "Orvessa"},
            {QStringLiteral("InstallPath"), "C:\\Program Files\\Orvessa"},
            {QStringLiteral("Translator"), "0"},
            {QStringLiteral("VersionType"), "0"}};
}

Record with(Record record, const Record &changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        record.insert(it.key(), it.value());
    return record;
}

} // namespace

class tst_AppConfig : public QObject
{
    Q_OBJECT

private slots:
    void record_data();
    void record();
    void missingFile();
    void chineseNameInLocalCodePage();
    void onlyTheExactFileName();

private:
    Record runWith(const QByteArray *xml, const QString &fileName = QStringLiteral("AppConfig.xml"));
};

Record tst_AppConfig::runWith(const QByteArray *xml, const QString &fileName)
{
    ProgramCopy copy;
    if (!copy.isValid())
        return Record();
    if (xml)
        copy.writeFile(fileName, *xml);
    const ProgramCopy::Result result = copy.run({QStringLiteral("--dump")});
    if (result.crashed || result.exitCode != 0)
        return Record();
    return parseDump(result.out);
}

void tst_AppConfig::record_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<Record>("expected");

    QTest::newRow("all keys")
        << QByteArray("<AppConfig><GUID>{1234}</GUID><Version>2.1</Version>"
                      "<CompanyName>Acme</CompanyName><Translator>7</Translator>"
                      "<VersionType>-3</VersionType><SoftwareNameEN>X</SoftwareNameEN>"
                      "<LegalCopyright>(c)</LegalCopyright><InstallPath>D:\\Apps\\</InstallPath>"
                      "<ProgramName>X.exe</ProgramName><SettingFile>s.ini</SettingFile></AppConfig>")
        << Record{{QStringLiteral("GUID"), "{1234}"}, {QStringLiteral("getGuid"), "{1234}"},
                  {QStringLiteral("Version"), "2.1"}, {QStringLiteral("CompanyName"), "Acme"},
                  {QStringLiteral("Translator"), "7"}, {QStringLiteral("VersionType"), "-3"},
                  {QStringLiteral("SoftwareNameEN"), "X"}, {QStringLiteral("LegalCopyright"), "(c)"},
                  {QStringLiteral("InstallPath"), "D:\\Apps\\X"}, {QStringLiteral("ProgramName"), "X.exe"},
                  {QStringLiteral("getProgramName"), "X.exe"}, {QStringLiteral("SettingFile"), "s.ini"},
                  {QStringLiteral("Components"), ""}};
    QTest::newRow("install path without separator")
        << QByteArray("<r><SoftwareNameEN>X</SoftwareNameEN><InstallPath>D:\\Apps</InstallPath></r>")
        << Record{{QStringLiteral("InstallPath"), "D:\\AppsX"}};
    QTest::newRow("empty install path falls back")
        << QByteArray("<r><SoftwareNameEN>X</SoftwareNameEN><InstallPath></InstallPath></r>")
        << Record{{QStringLiteral("InstallPath"), "C:\\Program Files\\X"}};
    QTest::newRow("default name before install path")
        << QByteArray("<r><InstallPath>/opt/</InstallPath><SoftwareNameEN/></r>")
        << Record{{QStringLiteral("SoftwareNameEN"), "Orvessa"}, {QStringLiteral("InstallPath"), "/opt/Orvessa"}};
    QTest::newRow("nested key found, first occurrence wins")
        << QByteArray("<r><Components><c><GUID>inner</GUID></c></Components><GUID>outer</GUID>"
                      "<a><b><ProgramName>deep.exe</ProgramName></b></a></r>")
        << Record{{QStringLiteral("GUID"), "inner"}, {QStringLiteral("ProgramName"), "deep.exe"}};
    QTest::newRow("values not trimmed, line ends translated")
        << QByteArray("<r><GUID>  {1234}\r\n</GUID><SoftwareNameEN> X </SoftwareNameEN></r>")
        << Record{{QStringLiteral("GUID"), "  {1234}\n"}, {QStringLiteral("SoftwareNameEN"), " X "},
                  {QStringLiteral("InstallPath"), "C:\\Program Files\\ X "}};
    QTest::newRow("first text child only, comment skipped")
        << QByteArray("<r><GUID>first<b>inner</b>second</GUID><ProgramName><!-- note -->P.exe</ProgramName></r>")
        << Record{{QStringLiteral("GUID"), "first"}, {QStringLiteral("ProgramName"), "P.exe"}};
    QTest::newRow("element holding only elements has no text")
        << QByteArray("<r><GUID><x>1</x></GUID></r>")
        << Record{{QStringLiteral("GUID"), ""}};
    QTest::newRow("integers that are not decimal read as 0")
        << QByteArray("<r><Translator>12abc</Translator><VersionType>0x10</VersionType></r>")
        << Record{{QStringLiteral("Translator"), "0"}, {QStringLiteral("VersionType"), "0"}};
    QTest::newRow("tag match is case-sensitive")
        << QByteArray("<r><guid>x</guid><softwarenameen>Y</softwarenameen></r>")
        << with(defaults(), {{QStringLiteral("GUID"), ""}});
    QTest::newRow("components of any tag, in order")
        << QByteArray("<r><Components> text <!-- c -->"
                      "<A><Name>one</Name><FilePath>/1</FilePath></A> more "
                      "<B><FilePath>/2</FilePath></B><!-- c -->"
                      "<C><x><Name>three</Name></x><Name>ignored</Name><FilePath>/3</FilePath></C>"
                      "</Components></r>")
        << Record{{QStringLiteral("Components"), "one|/1;|/2;three|/3;"}};
    QTest::newRow("empty component still counted")
        << QByteArray("<r><Components><A/></Components></r>")
        << Record{{QStringLiteral("Components"), "|;"}};
    QTest::newRow("any root name, no keys")
        << QByteArray("<Whatever><Other>1</Other></Whatever>") << defaults();
    QTest::newRow("not XML at all")
        << QByteArray("this is not xml") << with(defaults(), {{QStringLiteral("GUID"), ""}});
    QTest::newRow("declared encoding is honoured")
        << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><ProgramName>Caf\xe9.exe</ProgramName></r>")
        << Record{{QStringLiteral("ProgramName"), "Caf\xc3\xa9.exe"}};
}

void tst_AppConfig::record()
{
    QFETCH(QByteArray, xml);
    QFETCH(Record, expected);

    const Record actual = runWith(&xml);
    QVERIFY2(!actual.isEmpty(), "the child run printed no record");
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(actual.value(it.key()), it.value());
}

void tst_AppConfig::missingFile()
{
    const Record actual = runWith(nullptr);
    QVERIFY2(!actual.isEmpty(), "the child run printed no record");
    // No default applies when the file cannot be read.
    for (auto it = actual.cbegin(); it != actual.cend(); ++it) {
        if (it.key() != QLatin1String("Translator") && it.key() != QLatin1String("VersionType"))
            QVERIFY2(it.value().isEmpty(), qPrintable(it.key()));
    }
}

void tst_AppConfig::chineseNameInLocalCodePage()
{
    const QString name = QString::fromUtf8("\xe5\xa5\xa5\xe7\xbb\xb4\xe8\x90\xa8");
    const QByteArray xml = "<r><SoftwareNameCH>" + name.toUtf8() + "</SoftwareNameCH></r>";
    const Record actual = runWith(&xml);
    QVERIFY(!actual.isEmpty());
    QCOMPARE(QString::fromLocal8Bit(actual.value(QStringLiteral("SoftwareNameCH"))), name);
    QCOMPARE(actual.value(QStringLiteral("SoftwareNameCH")), name.toLocal8Bit());
}

void tst_AppConfig::onlyTheExactFileName()
{
    const QByteArray xml("<r><GUID>x</GUID></r>");
    const Record actual = runWith(&xml, QStringLiteral("appconfig.xml"));
    QVERIFY(!actual.isEmpty());
    QCOMPARE(actual.value(QStringLiteral("GUID")), QByteArray());
    QCOMPARE(actual.value(QStringLiteral("SoftwareNameEN")), QByteArray());
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--dump") == 0) {
        QCoreApplication app(argc, argv);
        appinstaller::AppConfigDump::print();
        return 0;
    }
    QCoreApplication app(argc, argv);
    tst_AppConfig test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appconfig.moc"
