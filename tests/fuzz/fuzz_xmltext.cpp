// The taxML escaping: any text written as an element's content parses with libxml2 and gives
// back the text, less the controls XML forbids, with "?" for what GBK cannot hold.

#include "FuzzSupport.h"

#include "config/GbkText.h"
#include "reports/XmlText.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool parserReady = (xmlInitParser(), true);
    Q_UNUSED(parserReady)
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    // Windows' code page 936 writes the private use area and the euro sign into codes that
    // libxml2's GBK converter (glibc's) does not read; the readers at the tax office are
    // Windows programs. Those characters are left out of the comparison.
    text.removeIf([](QChar c) { return (c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF) || c.unicode() == 0x20AC; });
    QByteArray document = "<?xml version=\"1.0\" encoding=\"GBK\"?><a>";
    Gbk::Writer writer;
    AppendXmlText(document, writer, text);
    document += "</a>";

    QString expected = text;
    expected.removeIf([](QChar c) { return ForbiddenInXml(c.unicode()); });
    expected = Gbk::decode(Gbk::encode(expected));
    // XML reads a carriage return as a line feed.
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));

    xmlDoc *doc = xmlReadMemory(document.constData(), int(document.size()), nullptr, nullptr, XML_PARSE_NONET);
    FUZZ_CHECK(doc != nullptr);
    xmlChar *content = xmlNodeGetContent(xmlDocGetRootElement(doc));
    const QString parsed = QString::fromUtf8(reinterpret_cast<const char *>(content));
    xmlFree(content);
    xmlFreeDoc(doc);
    FUZZ_CHECK(parsed == expected);
    return 0;
}
