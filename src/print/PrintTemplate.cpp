#include "PrintTemplate.h"

#include <climits>
#include <cmath>
#include <memory>
#include <optional>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <QFile>
#include <QRegularExpression>

namespace {

// Fields read from an item element, by exact name.
constexpr char FieldName[] = "Name";
constexpr char FieldPrtX[] = "PrtX";
constexpr char FieldPrtY[] = "PrtY";
constexpr char FieldDisName[] = "DisName";
constexpr char FieldMaxLength[] = "MaxLength";
constexpr char FieldFontName[] = "FontName";
constexpr char FieldFontSize[] = "FontSize";
constexpr char FieldFontStyle[] = "FontStyle";
constexpr char FieldTitle[] = "Title";
constexpr char FieldWidth[] = "Width";
constexpr char FieldHeight[] = "Height";
constexpr char FieldLineWidth[] = "LineWidth";

// Positions and sizes further than this from 0 are refused: ten metres is far beyond any form
// (an A4 sheet is 210 x 297 mm), and within it every sum of a position, a size, the barcode's
// shift and the operator's offsets (bounded alike where they are read), and its conversion to
// printer pixels, stays an int.
constexpr int MaxMillimetres = 10000;

struct DocFree {
    void operator()(xmlDoc *doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

const xmlChar *xml(const char *text)
{
    return reinterpret_cast<const xmlChar *>(text);
}

bool isNamed(const xmlNode *node, const char *name)
{
    return xmlStrEqual(node->name, xml(name));
}

// ASCII letters only: a name written with other letters never matches.
bool isNamedIgnoringCase(const xmlNode *node, const char *name)
{
    return xmlStrcasecmp(node->name, xml(name)) == 0;
}

const xmlNode *nextElement(const xmlNode *node)
{
    while (node && node->type != XML_ELEMENT_NODE)
        node = node->next;
    return node;
}

const xmlNode *firstChildElement(const xmlNode *parent)
{
    return nextElement(parent->children);
}

const xmlNode *childNamed(const xmlNode *parent, const char *name)
{
    for (const xmlNode *child = firstChildElement(parent); child; child = nextElement(child->next)) {
        if (isNamed(child, name))
            return child;
    }
    return nullptr;
}

// The element's text as it stands; nothing when the element holds elements of its own.
std::optional<QString> textOf(const xmlNode *element)
{
    if (firstChildElement(element))
        return std::nullopt;
    xmlChar *content = xmlNodeGetContent(element);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(content));
    xmlFree(content);
    return text;
}

// Decimal digits with an optional sign, blanks around them allowed; nothing else, so that a
// mistyped position fails the load instead of printing at 0.
std::optional<int> parseInteger(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    const QString trimmed = text.trimmed();
    if (!pattern.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = trimmed.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// As parseInteger, with an optional fraction after a point; no exponent.
std::optional<double> parseDecimal(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    const QString trimmed = text.trimmed();
    if (!pattern.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

// Each reader leaves target as it is when the element is absent and fails on a bad one.
bool readText(const xmlNode *element, QString &target)
{
    const std::optional<QString> text = textOf(element);
    if (text)
        target = *text;
    return text.has_value();
}

// A value beyond limit either side of 0 fails like text that is no number.
bool readInteger(const xmlNode *element, int &target, int limit = INT_MAX)
{
    const std::optional<QString> text = textOf(element);
    std::optional<int> value = text ? parseInteger(*text) : std::nullopt;
    if (value && (*value > limit || *value < -limit))
        value.reset();
    if (value)
        target = *value;
    return value.has_value();
}


bool readTextField(const xmlNode *item, const char *name, QString &target)
{
    const xmlNode *field = childNamed(item, name);
    return !field || readText(field, target);
}

bool readIntegerField(const xmlNode *item, const char *name, int &target, int limit = INT_MAX)
{
    const xmlNode *field = childNamed(item, name);
    return !field || readInteger(field, target, limit);
}

// A line width in millimetres, within MaxMillimetres like the positions.
bool readDecimalField(const xmlNode *item, const char *name, double &target)
{
    const xmlNode *field = childNamed(item, name);
    if (!field)
        return true;
    const std::optional<QString> text = textOf(field);
    std::optional<double> value = text ? parseDecimal(*text) : std::nullopt;
    if (value && std::fabs(*value) > MaxMillimetres)
        value.reset();
    if (value)
        target = *value;
    return value.has_value();
}

// The width and font that data and title items share.
bool readTextStyle(const xmlNode *element, TPrintItem &item)
{
    return readIntegerField(element, FieldMaxLength, item.MaxLength, MaxMillimetres) && readTextField(element, FieldFontName, item.FontName)
           && readIntegerField(element, FieldFontSize, item.FontSize)
           && readIntegerField(element, FieldFontStyle, item.FontStyle);
}

bool readItem(const xmlNode *element, PrintItemKind kind, TPrintItem &item)
{
    item.Kind = kind;
    bool ok = readIntegerField(element, FieldPrtX, item.PrtX, MaxMillimetres)
              && readIntegerField(element, FieldPrtY, item.PrtY, MaxMillimetres);
    switch (kind) {
    case PrintItemKind::Data:
        ok = ok && readTextField(element, FieldName, item.Name) && readTextField(element, FieldDisName, item.DisName)
             && readTextStyle(element, item);
        item.Value = item.DisName;
        break;
    case PrintItemKind::Title:
        ok = ok && readTextField(element, FieldTitle, item.Title) && readTextStyle(element, item);
        break;
    case PrintItemKind::Line:
        ok = ok && readIntegerField(element, FieldWidth, item.Width, MaxMillimetres)
             && readIntegerField(element, FieldHeight, item.Height, MaxMillimetres)
             && readDecimalField(element, FieldLineWidth, item.LineWidth);
        break;
    }
    return ok;
}

// The first child element decides: ITEM makes every child element an item, whatever its name;
// anything else makes the group add nothing. A group without any child element is an error.
bool readGroup(const xmlNode *group, PrintItemKind kind, QList<TPrintItem> &items)
{
    const xmlNode *first = firstChildElement(group);
    if (!first)
        return false;
    if (!isNamedIgnoringCase(first, "ITEM"))
        return true;
    for (const xmlNode *child = first; child; child = nextElement(child->next)) {
        TPrintItem item;
        if (!readItem(child, kind, item))
            return false;
        items.append(item);
    }
    return true;
}

bool readTemplate(const xmlNode *element, TPrintTemplate &form)
{
    for (const xmlNode *child = firstChildElement(element); child; child = nextElement(child->next)) {
        bool ok = true;
        if (isNamed(child, "TemplateDesc"))
            ok = readText(child, form.TemplateDesc);
        else if (isNamed(child, "PageWidth"))
            ok = readInteger(child, form.PageWidth, MaxMillimetres);
        else if (isNamed(child, "PageHeight"))
            ok = readInteger(child, form.PageHeight, MaxMillimetres);
        else if (isNamed(child, "PrintWay"))
            ok = readText(child, form.PrintWay);
        else if (isNamedIgnoringCase(child, "TABLEDATA"))
            ok = readGroup(child, PrintItemKind::Data, form.Items);
        else if (isNamedIgnoringCase(child, "TABLETITLE"))
            ok = readGroup(child, PrintItemKind::Title, form.Items);
        else if (isNamedIgnoringCase(child, "TABLELINE"))
            ok = readGroup(child, PrintItemKind::Line, form.Items);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

bool TPrintTemplate::LoadTemplate(const QString &filePath, const QString &templateName)
{
    *this = TPrintTemplate();

    // Read through Qt so that any file name works; libxml2 then honours the declared encoding.
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.size() > INT_MAX)
        return false;
    const DocPtr doc(xmlReadMemory(bytes.constData(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    const xmlNode *root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root)
        return false;

    const QByteArray name = templateName.toUtf8();
    for (const xmlNode *child = firstChildElement(root); child; child = nextElement(child->next)) {
        if (!isNamed(child, name.constData()))
            continue;
        TPrintTemplate loaded;
        if (!readTemplate(child, loaded))
            return false;
        *this = std::move(loaded);
        return true;
    }
    return true;
}

int TPrintTemplate::FindDataItem(const QString &name) const
{
    for (qsizetype i = 0; i < Items.size(); ++i) {
        const TPrintItem &item = Items.at(i);
        if (item.Kind == PrintItemKind::Data && item.Name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

void TPrintTemplate::ShiftItems(int dy, int dx)
{
    for (TPrintItem &item : Items) {
        item.PrtY += dy;
        item.PrtX += dx;
    }
}

void TPrintTemplate::Fill(const QStringList &values, const QStringList &names)
{
    const qsizetype count = qMin(values.size(), names.size());
    for (qsizetype i = 0; i < count; ++i) {
        const int index = FindDataItem(names.at(i));
        if (index >= 0)
            Items[index].Value = values.at(i);
    }
}
