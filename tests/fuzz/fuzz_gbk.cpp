// GBK decoding and the byte-length functions on any bytes: a cut never splits a character, the
// byte length is what encoding takes, and what GBK holds comes back from it. The Windows
// backend's cutting into runs reads every input as the Qt converter does.

#include "FuzzSupport.h"

#include "../support/StrictQtRuns.h"
#include "config/GbkRuns.h"
#include "config/GbkText.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = Gbk::decode(bytes);
    for (const std::size_t maxRun : {std::size_t(7), std::size_t(1) << 20}) {
        std::u16string runs(size, u'\0');
        runs.resize(GbkRuns::decode(bytes.constData(), size, runs.data(), StrictQtRun, maxRun));
        FUZZ_CHECK(QString::fromStdU16String(runs) == text);
    }
    const QByteArray encoded = Gbk::encode(text);
    FUZZ_CHECK(Gbk::byteLength(text) == encoded.size());
    if (Gbk::holds(text))
        FUZZ_CHECK(Gbk::decode(encoded) == text);
    for (const qsizetype limit : {qsizetype(0), qsizetype(1), bytes.size() / 2, bytes.size()}) {
        const QByteArray cut = Gbk::truncated(encoded, limit);
        FUZZ_CHECK(cut.size() <= limit && encoded.startsWith(cut));
        // The cut ends on a character boundary: nothing of it decodes to a bad character that the
        // whole did not have.
        FUZZ_CHECK(Gbk::decode(cut).count(QChar::ReplacementCharacter) <= text.count(QChar::ReplacementCharacter));
    }
    for (qsizetype i = 0; i < qMin<qsizetype>(bytes.size(), 64); ++i)
        Gbk::isLeadByte(bytes, i);
    // The same text read as UTF-16 code units, lone surrogates and all.
    const QString units = QString::fromUtf16(reinterpret_cast<const char16_t *>(data), qsizetype(size / 2));
    FUZZ_CHECK(Gbk::byteLength(units) == Gbk::encode(units).size());
    return 0;
}
