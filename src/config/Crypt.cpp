#include "Crypt.h"

#include "AppError.h"
#include "Encodings.h"
#include "GbkText.h"

#include <openssl/evp.h>

#include <memory>

namespace {

constexpr int BlockSize = 16;

QByteArray runCipher(const QByteArray &input, const QByteArray &key, bool encrypt)
{
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                              &EVP_CIPHER_CTX_free);
    QByteArray output(input.size() + BlockSize, Qt::Uninitialized);
    int written = 0;
    int finalWritten = 0;
    const auto *keyBytes = reinterpret_cast<const unsigned char *>(key.constData());
    auto *out = reinterpret_cast<unsigned char *>(output.data());
    const bool ok = ctx && EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, keyBytes, nullptr, encrypt ? 1 : 0) == 1
        && EVP_CIPHER_CTX_set_padding(ctx.get(), 0) == 1
        && EVP_CipherUpdate(ctx.get(), out, &written, reinterpret_cast<const unsigned char *>(input.constData()),
                            static_cast<int>(input.size()))
            == 1
        && EVP_CipherFinal_ex(ctx.get(), out + written, &finalWritten) == 1;
    if (!ok)
        throw EAESError(QStringLiteral("AES cipher failed"));
    output.resize(written + finalWritten);
    return output;
}

} // namespace

QByteArray TCrypt::Key(const QString &keyText)
{
    QByteArray key = Gbk::encode(keyText).left(BlockSize);
    key.append(BlockSize - key.size(), '\0');
    return key;
}

QByteArray TCrypt::EncryptBytes(const QByteArray &plain, const QByteArray &key)
{
    QByteArray padded = plain;
    if (const auto rest = padded.size() % BlockSize)
        padded.append(BlockSize - rest, '\0');
    return runCipher(padded, key, true);
}

QByteArray TCrypt::DecryptBytes(const QByteArray &cipher, const QByteArray &key)
{
    if (cipher.size() % BlockSize != 0)
        throw EAESError(QStringLiteral("Invalid buffer size for decryption"));
    return runCipher(cipher, key, false);
}

QString TCrypt::EncryptString(const QString &plain, const QString &keyText)
{
    return HexEncode(EncryptBytes(Gbk::encode(plain), Key(keyText)));
}

QString TCrypt::DecryptString(const QString &hex, const QString &keyText)
{
    return Gbk::decode(DecryptBytes(HexDecode(hex), Key(keyText)));
}
