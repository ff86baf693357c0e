#pragma once

#include "config/GbkRuns.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstddef>

// A converter as strict as MultiByteToWideChar with MB_ERR_INVALID_CHARS, out of Qt's own: it
// refuses a run holding anything it cannot decode. It lets the Windows backend's cutting into
// runs be checked here against the converter the program uses on Linux.
inline std::size_t StrictQtRun(const char *run, std::size_t length, char16_t *to, std::size_t room)
{
    QStringDecoder decoder("GBK", QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(run, qsizetype(length)));
    if (decoder.hasError() || text.contains(QChar::ReplacementCharacter) || std::size_t(text.size()) > room)
        return GbkRuns::Refused;
    std::copy(text.utf16(), text.utf16() + text.size(), to);
    return std::size_t(text.size());
}
