// HexDecode, Base64Decode and DecryptString on any text: no crash, and what decodes encodes back.

#include "FuzzSupport.h"

#include "config/AppError.h"
#include "config/Crypt.h"
#include "config/Encodings.h"
#include "config/GbkText.h"
#include "config/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = QString::fromLatin1(bytes);
    try {
        const QByteArray decoded = HexDecode(text);
        FUZZ_CHECK(HexDecode(HexEncode(decoded)) == decoded);
    } catch (const AppError &) {
    }
    try {
        const QByteArray decoded = Base64Decode(text);
        FUZZ_CHECK(Base64Decode(Base64Encode(decoded)) == decoded);
    } catch (const AppError &) {
    }
    try {
        // What deciphers to text GBK holds enciphers back to the same text.
        const QString plain = TCrypt::DecryptString(text, QString::fromLatin1(AuthenPwdKey));
        if (Gbk::holds(plain))
            FUZZ_CHECK(TCrypt::DecryptString(TCrypt::EncryptString(plain, QString::fromLatin1(AuthenPwdKey)),
                                         QString::fromLatin1(AuthenPwdKey))
                   == plain);
    } catch (const AppError &) {
    }
    // Any bytes enciphered come back whole, zero-padded to whole blocks.
    const QByteArray key = TCrypt::Key(QString::fromLatin1(AuthenPwdKey));
    QByteArray padded = bytes;
    if (padded.size() % 16)
        padded.append(16 - padded.size() % 16, '\0');
    FUZZ_CHECK(TCrypt::DecryptBytes(TCrypt::EncryptBytes(bytes, key), key) == padded);
    return 0;
}
