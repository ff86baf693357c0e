#pragma once

#include <QByteArray>
#include <QStringView>

#include "config/GbkText.h"

// Element text of the GBK documents the reports write by hand: streamed, for months of
// thousands of invoices, and readable by every XML reader.

// The controls XML 1.0 allows in no document, not even as references: every one below the
// blank except tab, line feed and carriage return. Values are written without them.
inline bool ForbiddenInXml(char16_t c)
{
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// Appends the value's GBK bytes with "&", "<" and ">" as entities and without the controls XML
// forbids.
void AppendXmlText(QByteArray &out, Gbk::Writer &writer, QStringView value);
