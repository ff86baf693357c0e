#pragma once

#include <QByteArray>
#include <QString>

// An OLE2 compound file (version 3, 512-byte sectors) that holds one stream under the root,
// as Excel 97-2003 keeps its workbook. Raises AppError when the stream is too large for a file
// without DIFAT sectors (about 7 MB).
QByteArray CompoundFile(const QString &streamName, const QByteArray &stream);
