#pragma once

#include <QList>
#include <QString>
#include <QStringList>

enum class PrintItemKind { Data, Title, Line };

// One thing the form draws; positions and sizes in millimetres.
struct TPrintItem {
    PrintItemKind Kind = PrintItemKind::Data;
    QString Name;            // data items
    int PrtX = 0, PrtY = 0;  // top left corner
    QString DisName;         // data items: the fixed text, also the starting Value
    int MaxLength = 0;       // width the text may take
    QString FontName;
    int FontSize = 0;        // points
    int FontStyle = 0;       // read and kept, never used for drawing
    QString Value;           // data items: text to print
    QString Title;           // title items
    int Width = 0, Height = 0;  // line items
    double LineWidth = 0;       // line items
};

// One print template of the template file: page properties and the items in drawing order.
class TPrintTemplate final
{
public:
    QString TemplateDesc;
    int PageWidth = 0;
    int PageHeight = 0;
    QString PrintWay;
    QList<TPrintItem> Items;

    // Reads the template named templateName (exact name) from the XML file. True also when the
    // file holds no template of that name; then nothing is loaded. False on a missing or
    // malformed file, a number that is not one, a position or size beyond 10,000 mm either side
    // of 0, markup where text belongs or an empty group; the template is left empty then.
    bool LoadTemplate(const QString &filePath, const QString &templateName);

    // Index in Items of the first data item named name (ignoring case); -1 when there is none.
    int FindDataItem(const QString &name) const;

    // Moves every item down by dy and right by dx.
    void ShiftItems(int dy, int dx);

    // Puts values[i] into the first data item named names[i], for every i both lists have.
    void Fill(const QStringList &values, const QStringList &names);
};
