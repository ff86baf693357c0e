#pragma once

#include <QByteArray>
#include <QString>

// AES-128 in ECB mode with zero padding, as the barcode and the stored password use it.
class TCrypt final
{
public:
    TCrypt() = delete;

    // Key: the first 16 bytes of keyText (GBK), zero bytes after a shorter text.
    static QByteArray Key(const QString &keyText);

    // Encrypts 16-byte blocks; a short last block is filled up with zero bytes first.
    static QByteArray EncryptBytes(const QByteArray &plain, const QByteArray &key);
    // Decrypts every block; raises EAESError unless the length is a multiple of 16.
    static QByteArray DecryptBytes(const QByteArray &cipher, const QByteArray &key);

    // Upper-case hexadecimal cipher text of the GBK bytes of plain; empty for an empty plain.
    static QString EncryptString(const QString &plain, const QString &keyText);
    // All decrypted bytes as GBK text, including the zero padding: callers trim.
    static QString DecryptString(const QString &hex, const QString &keyText);
};
