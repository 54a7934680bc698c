#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QString>

namespace appinstaller {

// A read-only handle on one element of a loaded XML document. Every handle
// carries the document, so the tree stays alive as long as any handle into it.
// Lookups that find nothing give a null handle, 0 or a null text.
class XmlElement
{
public:
    XmlElement() = default;

    // Opens and parses the file, making this the handle of its root element.
    // False only when the file cannot be opened; a document that does not
    // parse still loads, holding whatever was read before the error.
    bool load(const QString &filePath);

    // The first descendant (not this element) with the tag, in document order.
    XmlElement findElement(const QString &tagName) const;
    int childElementCount() const;
    // The direct child element at index; null for a negative or too large index.
    XmlElement childElement(int index) const;
    // The character data of the element's first text child, or a null text.
    QString text() const;
    bool firstTextChild(QString &text) const;

    bool isNull() const { return m_element.isNull(); }
    QDomElement element() const { return m_element; }
    QDomDocument document() const { return m_document; }

private:
    XmlElement(const QDomElement &element, const QDomDocument &document);

    QDomElement m_element;
    QDomDocument m_document;
};

} // namespace appinstaller
