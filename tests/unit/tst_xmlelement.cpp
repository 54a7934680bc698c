#include "config/xmlelement.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using appinstaller::XmlElement;

namespace {

const char sampleDocument[] =
    "<root>"
    "<p>text<!-- c --><A>a1</A>more<B><A>a2</A></B></p>"
    "<empty/>"
    "<onlyElements><x>1</x></onlyElements>"
    "<mixed>first<i/>second</mixed>"
    "<commented><!-- c -->after</commented>"
    "<cdata><![CDATA[raw <text>]]></cdata>"
    "</root>";

} // namespace

class tst_XmlElement : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findElement_data();
    void findElement();
    void children_data();
    void children();
    void text_data();
    void text();
    void failedLookupCarriesNoDocument();
    void load_data();
    void load();
    void entityExpansionIsBounded();

private:
    QString writeFile(const QString &name, const QByteArray &content);
    QTemporaryDir m_dir;
    XmlElement m_root;
};

QString tst_XmlElement::writeFile(const QString &name, const QByteArray &content)
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return file.fileName();
}

void tst_XmlElement::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_root.load(writeFile(QStringLiteral("sample.xml"), sampleDocument)));
    QCOMPARE(m_root.element().tagName(), QStringLiteral("root"));
}

void tst_XmlElement::findElement_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("text");

    QTest::newRow("first in document order, whatever its depth") << "A" << true << "a1";
    QTest::newRow("the element itself is not a candidate") << "root" << false << QString();
    QTest::newRow("case-sensitive") << "a" << false << QString();
    QTest::newRow("absent") << "Nothing" << false << QString();
    QTest::newRow("nested") << "x" << true << "1";
}

void tst_XmlElement::findElement()
{
    QFETCH(QString, tag);
    QFETCH(bool, found);
    QFETCH(QString, text);

    const XmlElement element = m_root.findElement(tag);
    QCOMPARE(!element.isNull(), found);
    QCOMPARE(element.text(), text);
}

void tst_XmlElement::children_data()
{
    QTest::addColumn<QString>("parent");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("childTag");

    // <p> holds text, a comment, A, more text and B: two elements.
    QTest::newRow("index 0") << "p" << 2 << 0 << "A";
    QTest::newRow("index 1") << "p" << 2 << 1 << "B";
    QTest::newRow("index at count") << "p" << 2 << 2 << QString();
    QTest::newRow("negative index") << "p" << 2 << -1 << QString();
    QTest::newRow("no children") << "empty" << 0 << 0 << QString();
    QTest::newRow("missing parent") << "Nothing" << 0 << 0 << QString();
}

void tst_XmlElement::children()
{
    QFETCH(QString, parent);
    QFETCH(int, count);
    QFETCH(int, index);
    QFETCH(QString, childTag);

    const XmlElement element = m_root.findElement(parent);
    QCOMPARE(element.childElementCount(), count);
    const XmlElement child = element.childElement(index);
    QCOMPARE(child.isNull(), childTag.isNull());
    if (!child.isNull()) {
        QCOMPARE(child.element().tagName(), childTag);
        // A handle from a lookup carries the document it came from.
        QCOMPARE(child.document(), m_root.document());
    }
}

void tst_XmlElement::text_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty element: null text") << "empty" << QString();
    QTest::newRow("only child elements: null text") << "onlyElements" << QString();
    QTest::newRow("first text child only") << "mixed" << "first";
    QTest::newRow("comment before the text skipped") << "commented" << "after";
    QTest::newRow("CDATA counts as text") << "cdata" << "raw <text>";
}

void tst_XmlElement::text()
{
    QFETCH(QString, tag);
    QFETCH(QString, text);

    const XmlElement element = m_root.findElement(tag);
    QVERIFY(!element.isNull());
    QCOMPARE(element.text(), text);
    QCOMPARE(element.text().isNull(), text.isNull());

    QString written = QStringLiteral("untouched");
    QCOMPARE(element.firstTextChild(written), !text.isNull());
    QCOMPARE(written, text.isNull() ? QStringLiteral("untouched") : text);
}

void tst_XmlElement::failedLookupCarriesNoDocument()
{
    const XmlElement missing = m_root.findElement(QStringLiteral("Nothing"));
    QVERIFY(missing.isNull());
    QVERIFY(missing.document().isNull());
    QVERIFY(missing.findElement(QStringLiteral("A")).isNull());
    QVERIFY(missing.childElement(0).isNull());
    QCOMPARE(missing.childElementCount(), 0);
    QVERIFY(missing.text().isNull());
}

void tst_XmlElement::load_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("rootTag");

    QTest::newRow("empty path") << QString() << QByteArray() << false << QString();
    QTest::newRow("missing file") << "missing.xml" << QByteArray() << false << QString();
    QTest::newRow("not XML") << "garbage.xml" << QByteArray("\x01\x02 no xml") << true << QString();
    QTest::newRow("empty file") << "empty.xml" << QByteArray() << true << QString();
    QTest::newRow("unclosed") << "unclosed.xml" << QByteArray("<cfg><GUID>x</GUID><open>") << true << "cfg";
    // Far beyond any real configuration: not worth the memory it would take.
    QTest::newRow("over 1 MiB") << "huge.xml"
                                << QByteArray("<cfg><GUID>x</GUID>") + QByteArray(1024 * 1024, ' ') + QByteArray("</cfg>")
                                << false << QString();
    QTest::newRow("just under 1 MiB") << "large.xml"
                                      << QByteArray("<cfg>") + QByteArray(1024 * 1024 - 11, ' ') + QByteArray("</cfg>")
                                      << true << "cfg";
}

void tst_XmlElement::load()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, loaded);
    QFETCH(QString, rootTag);

    QString path;
    if (!name.isEmpty())
        path = (loaded || !content.isEmpty()) ? writeFile(name, content) : m_dir.filePath(name);

    XmlElement root;
    QCOMPARE(root.load(path), loaded);
    if (rootTag.isNull()) {
        QVERIFY(root.isNull());
        QVERIFY(root.findElement(QStringLiteral("GUID")).isNull());
    } else {
        // Whatever the partial tree holds is found; the rest is not.
        QCOMPARE(root.element().tagName(), rootTag);
        QVERIFY(root.findElement(QStringLiteral("missing")).isNull());
    }
}

void tst_XmlElement::entityExpansionIsBounded()
{
    // Ten levels of ten references each: fully expanded, 10^10 characters.
    QByteArray bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY e0 \"lollollollollollol\">\n";
    for (int level = 1; level <= 10; ++level) {
        bomb += "<!ENTITY e" + QByteArray::number(level) + " \"";
        for (int i = 0; i < 10; ++i)
            bomb += "&e" + QByteArray::number(level - 1) + ';';
        bomb += "\">\n";
    }
    bomb += "]>\n<r><GUID>&e10;</GUID><Tail>t</Tail></r>\n";
    while (bomb.size() < 7 * 1024)
        bomb.insert(bomb.indexOf("<r>"), "<!-- padding to the size of a real attack file -->\n");

    XmlElement root;
    QVERIFY(root.load(writeFile(QStringLiteral("bomb.xml"), bomb)));
    const QString text = root.findElement(QStringLiteral("GUID")).text();
    QVERIFY2(text.size() < 1024 * 1024, qPrintable(QString::number(text.size())));
}

QTEST_GUILESS_MAIN(tst_XmlElement)
#include "tst_xmlelement.moc"
