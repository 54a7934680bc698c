#include "config/xmlelement.h"

#include <QDomNodeList>
#include <QFile>
#include <QXmlStreamReader>

namespace appinstaller {

namespace {
constexpr qint64 kMaxFileSize = 1024 * 1024;
} // namespace

XmlElement::XmlElement(const QDomElement &element, const QDomDocument &document)
    : m_element(element)
    , m_document(document)
{
}

bool XmlElement::load(const QString &filePath)
{
    if (filePath.isEmpty())
        return false;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // A configuration is a few hundred bytes; a huge file would cost its
    // size many times over as a document, so it counts as unreadable.
    if (file.size() > kMaxFileSize)
        return false;

    // The stream reader bounds entity expansion, so a small file of nested
    // entities cannot blow up to gigabytes of text. Parse errors are not
    // fatal: lookups work on whatever was read.
    QXmlStreamReader reader(&file);
    QDomDocument document;
    document.setContent(&reader, false);
    file.close();

    m_document = document;
    m_element = m_document.documentElement();
    return true;
}

XmlElement XmlElement::findElement(const QString &tagName) const
{
    if (!m_element.hasChildNodes())
        return XmlElement();
    const QDomNodeList matches = m_element.elementsByTagName(tagName);
    if (matches.isEmpty())
        return XmlElement();
    return XmlElement(matches.at(0).toElement(), m_document);
}

int XmlElement::childElementCount() const
{
    if (m_element.isNull() || !m_element.hasChildNodes())
        return 0;
    int count = 0;
    for (QDomNode child = m_element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isElement())
            ++count;
    }
    return count;
}

XmlElement XmlElement::childElement(int index) const
{
    if (m_element.isNull() || !m_element.hasChildNodes())
        return XmlElement();
    int counter = 0;
    for (QDomNode child = m_element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (!child.isElement())
            continue;
        if (counter == index)
            return XmlElement(child.toElement(), m_document);
        ++counter;
    }
    return XmlElement();
}

QString XmlElement::text() const
{
    QString value;
    if (firstTextChild(value))
        return value;
    return QString();
}

bool XmlElement::firstTextChild(QString &text) const
{
    if (!m_element.hasChildNodes())
        return false;
    for (QDomNode child = m_element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isText()) {
            text = child.toText().data();
            return true;
        }
    }
    return false;
}

} // namespace appinstaller
