// The shipped translations against the code: lupdate extracts the keys that
// the sources look up, and every one of them must be translated in both
// language files, and every translated key must still be used. The compiled
// .qm files must give the texts of their .ts sources, in the right language.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Message
{
    QString context;
    QString source;
    QString translation;
    QString type; // "", "unfinished", "vanished", "obsolete"
};

QString key(const Message &m)
{
    return m.context + QStringLiteral(" / ") + m.source;
}

QVector<Message> readTs(const QString &path, QString *language = nullptr, QString *error = nullptr)
{
    QVector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open ") + path;
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("TS")) {
            if (language)
                *language = xml.attributes().value(QLatin1String("language")).toString();
        } else if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            current = Message{context, QString(), QString(), QString()};
        } else if (name == QLatin1String("source")) {
            current.source = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            current.type = xml.attributes().value(QLatin1String("type")).toString();
            current.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            messages << current;
        }
    }
    if (xml.hasError() && error)
        *error = xml.errorString();
    return messages;
}

bool live(const Message &m)
{
    return m.type != QLatin1String("vanished") && m.type != QLatin1String("obsolete");
}

QSet<QString> placeholders(const QString &text)
{
    QSet<QString> found;
    auto it = QRegularExpression(QStringLiteral("%L?\\d+")).globalMatch(text);
    while (it.hasNext())
        found.insert(it.next().captured(0).remove(QLatin1Char('L')));
    return found;
}

bool hasHan(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    }
    return false;
}

QString sourceDir()
{
    return QStringLiteral(UNINSTALLER_SOURCE_DIR);
}

// Which code each translation file serves.
QStringList codeFolders(const QString &tsName)
{
    if (tsName.startsWith(QLatin1String("varnel_")))
        return {QStringLiteral("controls")};
    return {QStringLiteral("app"), QStringLiteral("ui"), QStringLiteral("engine")};
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void codeKeysAreTranslated_data();
    void codeKeysAreTranslated();
    void translatedKeysAreUsed_data();
    void translatedKeysAreUsed();
    void languagesMatch_data();
    void languagesMatch();
    void compiledFilesMatchSources_data();
    void compiledFilesMatchSources();

private:
    void addTsRows();
    QVector<Message> codeMessages(const QString &tsName);

    QTemporaryDir m_dir;
    QHash<QString, QVector<Message>> m_extracted;
};

void TestTranslations::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFile::exists(QStringLiteral(UNINSTALLER_LUPDATE)), "lupdate (qttools5-dev-tools) is missing");
}

QVector<Message> TestTranslations::codeMessages(const QString &tsName)
{
    const QString group = codeFolders(tsName).join(QLatin1Char('+'));
    if (m_extracted.contains(group))
        return m_extracted.value(group);

    QStringList args{QStringLiteral("-silent"), QStringLiteral("-recursive"), QStringLiteral("-locations"),
                     QStringLiteral("none"), QStringLiteral("-no-obsolete"), QStringLiteral("-I"), sourceDir()};
    for (const QString &folder : codeFolders(tsName)) {
        if (QDir(sourceDir() + QLatin1Char('/') + folder).exists())
            args << sourceDir() + QLatin1Char('/') + folder;
    }
    const QString out = m_dir.filePath(QString(group).replace(QLatin1Char('+'), QLatin1Char('_')) +
                                       QStringLiteral(".ts"));
    args << QStringLiteral("-ts") << out;
    QProcess lupdate;
    lupdate.start(QStringLiteral(UNINSTALLER_LUPDATE), args);
    if (!lupdate.waitForFinished(-1) || lupdate.exitCode() != 0) {
        qWarning() << "lupdate failed:" << lupdate.readAllStandardError();
        return {};
    }
    // lupdate complains on stderr about tr() calls it cannot place.
    const QByteArray complaints = lupdate.readAllStandardError();
    if (!complaints.trimmed().isEmpty())
        qWarning() << "lupdate:" << complaints;
    QString error;
    QVector<Message> messages = readTs(out, nullptr, &error);
    if (!error.isEmpty())
        qWarning() << error;
    m_extracted.insert(group, messages);
    return messages;
}

void TestTranslations::addTsRows()
{
    QTest::addColumn<QString>("tsName");
    for (const QString &name : {QStringLiteral("uninstaller_en.ts"), QStringLiteral("uninstaller_zh.ts"),
                                QStringLiteral("varnel_en.ts"), QStringLiteral("varnel_zh.ts")})
        QTest::newRow(qPrintable(name)) << name;
}

void TestTranslations::codeKeysAreTranslated_data()
{
    addTsRows();
}

void TestTranslations::codeKeysAreTranslated()
{
    QFETCH(QString, tsName);
    const QVector<Message> code = codeMessages(tsName);
    QVERIFY2(!code.isEmpty(), "lupdate found no texts in the code");

    QString error;
    const QVector<Message> shipped = readTs(sourceDir() + QStringLiteral("/translations/") + tsName, nullptr, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QHash<QString, Message> byKey;
    for (const Message &m : shipped) {
        if (live(m))
            byKey.insert(key(m), m);
    }

    QStringList missing;
    for (const Message &m : code) {
        const auto it = byKey.constFind(key(m));
        if (it == byKey.constEnd() || it->type == QLatin1String("unfinished") || it->translation.trimmed().isEmpty())
            missing << key(m);
    }
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not translated: ") + missing.join(QStringLiteral(", "))));
}

void TestTranslations::translatedKeysAreUsed_data()
{
    addTsRows();
}

void TestTranslations::translatedKeysAreUsed()
{
    QFETCH(QString, tsName);
    const QVector<Message> code = codeMessages(tsName);
    QSet<QString> used;
    for (const Message &m : code)
        used.insert(key(m));

    QStringList unused;
    for (const Message &m : readTs(sourceDir() + QStringLiteral("/translations/") + tsName)) {
        if (live(m) && !used.contains(key(m)))
            unused << key(m);
    }
    QVERIFY2(unused.isEmpty(), qPrintable(QStringLiteral("no longer in the code: ") + unused.join(QStringLiteral(", "))));
}

void TestTranslations::languagesMatch_data()
{
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");
    QTest::newRow("program") << QStringLiteral("uninstaller_en.ts") << QStringLiteral("uninstaller_zh.ts");
    QTest::newRow("library") << QStringLiteral("varnel_en.ts") << QStringLiteral("varnel_zh.ts");
}

void TestTranslations::languagesMatch()
{
    QFETCH(QString, english);
    QFETCH(QString, chinese);

    QString enLanguage;
    QString zhLanguage;
    const QVector<Message> en = readTs(sourceDir() + QStringLiteral("/translations/") + english, &enLanguage);
    const QVector<Message> zh = readTs(sourceDir() + QStringLiteral("/translations/") + chinese, &zhLanguage);
    QVERIFY(enLanguage.startsWith(QLatin1String("en")));
    QVERIFY(zhLanguage.startsWith(QLatin1String("zh")));
    QVERIFY(!en.isEmpty());

    QHash<QString, QString> zhByKey;
    for (const Message &m : zh)
        zhByKey.insert(key(m), m.translation);
    QCOMPARE(zhByKey.size(), zh.size()); // no key twice
    QCOMPARE(en.size(), zh.size());

    for (const Message &m : en) {
        QVERIFY2(zhByKey.contains(key(m)), qPrintable(key(m) + QStringLiteral(" missing in ") + chinese));
        const QString zhText = zhByKey.value(key(m));
        QVERIFY2(!hasHan(m.translation), qPrintable(key(m)));
        QVERIFY2(hasHan(zhText), qPrintable(key(m)));
        // The same arguments are filled in, whatever the language.
        QCOMPARE(placeholders(zhText), placeholders(m.translation));
    }
}

void TestTranslations::compiledFilesMatchSources_data()
{
    addTsRows();
}

void TestTranslations::compiledFilesMatchSources()
{
    QFETCH(QString, tsName);
    const QString qmName = QString(tsName).replace(QStringLiteral(".ts"), QStringLiteral(".qm"));
    QTranslator translator;
    QVERIFY2(translator.load(qmName, QStringLiteral(UNINSTALLER_BIN_DIR "/translations")), qPrintable(qmName));

    int checked = 0;
    for (const Message &m : readTs(sourceDir() + QStringLiteral("/translations/") + tsName)) {
        if (!live(m))
            continue;
        QCOMPARE(translator.translate(m.context.toUtf8().constData(), m.source.toUtf8().constData()), m.translation);
        ++checked;
    }
    QVERIFY(checked > 0);
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
