// The settings file reader and writer: any file is read without harm, and writing one key keeps
// every other line as it was, in order; the key then reads back as written.

#include "FuzzSupport.h"

#include "config/AppError.h"
#include "config/AppIniFile.h"

#include <QList>

namespace {

// Lines as the settings file has them: CR LF, a lone CR and a lone LF all end one; a UTF-8
// byte-order mark in front is none.
QList<QByteArray> lines(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    QList<QByteArray> result = bytes.split('\n');
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

bool isKeyLine(const QByteArray &line)
{
    return line.trimmed().toLower().startsWith("fuzzkey");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray before(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = FuzzFile("fuzz.ini", before);
    TAppIniFile ini(path);
    ini.ReadString(QStringLiteral("Other"), QStringLiteral("EndTime"), QString());
    ini.ReadInteger(QStringLiteral("Other"), QStringLiteral("InterTime"), 0);
    ini.ReadBool(QStringLiteral("PDF417"), QStringLiteral("ECLevel"), false);
    try {
        ini.WriteString(QStringLiteral("FuzzSection"), QStringLiteral("FuzzKey"), QStringLiteral("值 1"));
    } catch (const EIniFileError &) {
        return 0; // refused: the file must be as it was
    }
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> after = lines(file.readAll());
    // Every line that is not the key's is still there, in the same order.
    qsizetype at = 0;
    for (const QByteArray &line : lines(before)) {
        if (isKeyLine(line))
            continue;
        while (at < after.size() && after[at] != line)
            ++at;
        FUZZ_CHECK(at < after.size());
        ++at;
    }
    FUZZ_CHECK(TAppIniFile(path).ReadString(QStringLiteral("FuzzSection"), QStringLiteral("FuzzKey"), QString())
               == QStringLiteral("值 1"));
    return 0;
}
