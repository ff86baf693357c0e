#pragma once

#include <QByteArray>
#include <QString>

// An OLE2 compound file (version 3, 512-byte sectors) that holds one stream under the root,
// as Excel 97-2003 keeps its workbook. Raises AppError only for a stream no such file can hold
// (about 2 TB).
QByteArray CompoundFile(const QString &streamName, const QByteArray &stream);
