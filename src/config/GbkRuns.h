#pragma once

// How the Windows backend finds the bad sequences in GBK bytes itself: MultiByteToWideChar
// without flags turns a sequence code page 936 lacks into a default character of its own
// (not U+FFFD), and with MB_ERR_INVALID_CHARS it refuses the whole call instead. So the bytes
// are cut by their lead and trail bytes into runs of whole characters; a lead byte without a
// trail byte ends a run and becomes U+FFFD. Each run goes to the converter strictly; a run it
// refuses goes again character by character, and each character it refuses becomes U+FFFD.
// Valid text, the usual case, is one run and one call.
//
// Plain C++ and a converter passed in, so that the tests run the same cutting on Linux.

#include <cstddef>

namespace GbkRuns {

constexpr char16_t Replacement = 0xFFFD;
constexpr std::size_t Refused = static_cast<std::size_t>(-1);

inline bool isLead(unsigned char b)
{
    return b >= 0x81 && b <= 0xFE;
}

inline bool isTrail(unsigned char b)
{
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

// Bytes of the character at index: 2 for a lead byte with its trail byte, 0 for a lead byte
// without one, 1 for any other byte (ASCII, 0x80, 0xFF: the converter judges them).
inline std::size_t characterLength(const unsigned char *bytes, std::size_t index, std::size_t length)
{
    if (!isLead(bytes[index]))
        return 1;
    return index + 1 < length && isTrail(bytes[index + 1]) ? 2 : 0;
}

// Decodes length bytes into out, which has room for length units (GBK takes at least one byte
// per unit). convert(run, runLength, to, room) converts whole characters strictly, returning
// the units written or Refused. A run ends between characters once it holds maxRun bytes, so
// it is at most maxRun + 1 bytes long.
template <class Convert>
std::size_t decode(const char *bytes, std::size_t length, char16_t *out, Convert &&convert,
                   std::size_t maxRun = std::size_t(1) << 20)
{
    const auto *b = reinterpret_cast<const unsigned char *>(bytes);
    std::size_t written = 0;
    std::size_t i = 0;
    while (i < length) {
        const std::size_t start = i;
        std::size_t size = 0;
        while (i < length && i - start < maxRun && (size = characterLength(b, i, length)) != 0)
            i += size;
        if (i > start) {
            const std::size_t units = convert(bytes + start, i - start, out + written, length - written);
            if (units != Refused) {
                written += units;
            } else {
                for (std::size_t j = start; j < i; j += characterLength(b, j, i)) {
                    const std::size_t one = convert(bytes + j, characterLength(b, j, i), out + written, length - written);
                    if (one != Refused)
                        written += one;
                    else
                        out[written++] = Replacement;
                }
            }
        }
        if (i < length && size == 0) {
            out[written++] = Replacement; // a lead byte without its trail byte
            ++i;
        }
    }
    return written;
}

} // namespace GbkRuns
