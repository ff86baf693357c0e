// GBK through Qt's converter of that name, which Qt serves through ICU.

#include "GbkCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace GbkCodec {

namespace {
constexpr char CodecName[] = "GBK";
}

struct Encoder::State {
    QStringEncoder encoder{CodecName};
};

Encoder::Encoder()
    : m_state(std::make_unique<State>())
{
}

Encoder::~Encoder() = default;

std::size_t Encoder::requiredSpace(std::size_t length) const
{
    return static_cast<std::size_t>(m_state->encoder.requiredSpace(static_cast<qsizetype>(length)));
}

std::size_t Encoder::encode(const char16_t *text, std::size_t length, char *out)
{
    // ICU writes "?" for each character it cannot map. A converter Qt does not know writes
    // nothing.
    const char *end = m_state->encoder.appendToBuffer(out, QStringView(text, static_cast<qsizetype>(length)));
    return static_cast<std::size_t>(end - out);
}

struct Decoder::State {
    QStringDecoder decoder{CodecName};
};

Decoder::Decoder()
    : m_state(std::make_unique<State>())
{
}

Decoder::~Decoder() = default;

std::size_t Decoder::requiredSpace(std::size_t length) const
{
    return static_cast<std::size_t>(m_state->decoder.requiredSpace(static_cast<qsizetype>(length)));
}

std::size_t Decoder::decode(const char *bytes, std::size_t length, char16_t *out)
{
    auto *to = reinterpret_cast<QChar *>(out);
    const QChar *end = m_state->decoder.appendToBuffer(to, QByteArrayView(bytes, static_cast<qsizetype>(length)));
    return static_cast<std::size_t>(end - to);
}

} // namespace GbkCodec
