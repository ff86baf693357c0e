#pragma once

// The conversion primitives behind GbkText: Qt's "GBK" converter (ICU) on Linux, the system's
// code page 936 on Windows, where Qt comes without ICU. One of GbkCodecQt.cpp and
// GbkCodecWindows.cpp is built. Plain types only, so that the Windows one needs no Qt.
//
// GbkText does what both share: surrogates and default-ignorable characters never reach a
// backend (a pair, a lone half and an ignorable character are each one "?" before encoding),
// and a lead byte at the very end is cut off before decoding.

#include <cstddef>
#include <memory>

namespace GbkCodec {

class Encoder final
{
public:
    Encoder();
    ~Encoder();
    Encoder(const Encoder &) = delete;
    Encoder &operator=(const Encoder &) = delete;

    // Room encode() needs for length UTF-16 units.
    std::size_t requiredSpace(std::size_t length) const;
    // Writes the GBK bytes of text, which holds no surrogate nor ignorable character, to out and returns their count.
    // A character GBK cannot hold becomes one "?", never a look-alike. Fewer bytes than the
    // text needs, or none, when the converter is missing.
    std::size_t encode(const char16_t *text, std::size_t length, char *out);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

class Decoder final
{
public:
    Decoder();
    ~Decoder();
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // Room decode() needs for length bytes, in UTF-16 units.
    std::size_t requiredSpace(std::size_t length) const;
    // Writes the text of the GBK bytes to out and returns its length in UTF-16 units; a byte
    // sequence that is not GBK becomes U+FFFD.
    std::size_t decode(const char *bytes, std::size_t length, char16_t *out);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace GbkCodec
