// GBK through the system's code page 936: Qt's Windows builds come without ICU and know no
// converter named "GBK". No Qt here, so that the cross compilers of the tests check this file.

#include "GbkCodec.h"
#include "GbkRuns.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

namespace GbkCodec {

namespace {

constexpr UINT CodePage = 936;
// Pieces of about this many units or bytes, well within what the int lengths of the API take.
constexpr std::size_t MaxPiece = std::size_t(1) << 20;

} // namespace

// Nothing to keep between calls: the system converter has no state.
struct Encoder::State {
};

Encoder::Encoder() = default;
Encoder::~Encoder() = default;

std::size_t Encoder::requiredSpace(std::size_t length) const
{
    return 2 * length;
}

std::size_t Encoder::encode(const char16_t *text, std::size_t length, char *out)
{
    // WC_NO_BEST_FIT_CHARS: a character 936 lacks becomes the "?" given here, never a
    // look-alike that would read back as another character.
    static const char Unmappable[] = "?";
    std::size_t written = 0;
    for (std::size_t done = 0; done < length;) {
        const std::size_t piece = std::min(length - done, MaxPiece); // no surrogates: any cut is whole
        const int bytes = WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, reinterpret_cast<LPCWCH>(text + done),
                                              static_cast<int>(piece), out + written, static_cast<int>(2 * piece),
                                              Unmappable, nullptr);
        if (bytes <= 0)
            break; // no code page 936 on this machine: the start-up check says so
        written += static_cast<std::size_t>(bytes);
        done += piece;
    }
    return written;
}

struct Decoder::State {
};

Decoder::Decoder() = default;
Decoder::~Decoder() = default;

std::size_t Decoder::requiredSpace(std::size_t length) const
{
    return length;
}

std::size_t Decoder::decode(const char *bytes, std::size_t length, char16_t *out)
{
    // Strictly, so that a sequence 936 lacks is refused instead of given a default character;
    // GbkRuns turns what is refused into U+FFFD.
    const auto strict = [](const char *run, std::size_t runLength, char16_t *to, std::size_t room) {
        const int units = MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, run, static_cast<int>(runLength),
                                              reinterpret_cast<LPWSTR>(to), static_cast<int>(std::min(room, MaxPiece + 1)));
        return units > 0 ? static_cast<std::size_t>(units) : GbkRuns::Refused;
    };
    return GbkRuns::decode(bytes, length, out, strict, MaxPiece);
}

} // namespace GbkCodec
