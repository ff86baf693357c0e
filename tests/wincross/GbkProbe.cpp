// The Windows GBK backend linked into a console program of its own: proof that it is whole.
// Run on Windows (or under Wine) it converts a few texts both ways and exits 1 on a difference
// from what Qt's converter gives on Linux.

#include "config/GbkCodec.h"

#include <cstdio>
#include <string>

namespace {

struct Encoding {
    std::u16string text;
    std::string bytes;
};

struct Decoding {
    std::string bytes;
    std::u16string text;
};

const Encoding Encodings[] = {
    {u"机动车销售统一发票", "\xBB\xFA\xB6\xAF\xB3\xB5\xCF\xFA\xCA\xDB\xCD\xB3\xD2\xBB\xB7\xA2\xC6\xB1"},
    {u"No.12 ￥", "No.12 \xA3\xA4"},
    {u"\u20AC\u00B7", "\x80\xA1\xA4"},
    {u"\u0E01", "?"},      // not in GBK
    {u"\u00A0", "?"},      // no look-alike blank either
};

const Decoding Decodings[] = {
    {"\xBB\xFA\xB6\xAF\xB3\xB5", u"机动车"},
    {"\x81\x30", u"\uFFFD0"},
    {"\xA1\x7F", u"\uFFFD\u007F"},
    {"\x80", u"\u20AC"},
    {"\x81\x81\x30", u"\u4E960"}, // GbkText cuts a lead byte at the very end off before
};

void printUnits(const std::u16string &text)
{
    for (const char16_t unit : text)
        std::printf(" %04X", static_cast<unsigned>(unit));
    std::printf("\n");
}

} // namespace

int main()
{
    int failures = 0;
    for (const Encoding &one : Encodings) {
        GbkCodec::Encoder encoder;
        std::string bytes(encoder.requiredSpace(one.text.size()), '\0');
        bytes.resize(encoder.encode(one.text.data(), one.text.size(), bytes.data()));
        if (bytes != one.bytes) {
            ++failures;
            std::printf("encode:");
            printUnits(one.text);
            for (const char byte : bytes)
                std::printf(" %02X", static_cast<unsigned char>(byte));
            std::printf("\n");
        }
    }
    for (const Decoding &one : Decodings) {
        GbkCodec::Decoder decoder;
        std::u16string text(decoder.requiredSpace(one.bytes.size()), u'\0');
        text.resize(decoder.decode(one.bytes.data(), one.bytes.size(), text.data()));
        if (text != one.text) {
            ++failures;
            std::printf("decode:");
            printUnits(text);
        }
    }
    std::printf("%d differences\n", failures);
    return failures == 0 ? 0 : 1;
}
