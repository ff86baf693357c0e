#include "GZip.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace {

void appendLittleEndian(QByteArray &out, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

QByteArray GZipCompress(const QByteArray &bytes)
{
    static const char header[10] = {'\x1F', '\x8B', '\x08', 0, 0, 0, 0, 0, 0, 0};

    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
    const uLong bound = deflateBound(&stream, static_cast<uLong>(bytes.size()));
    QByteArray out(sizeof header + bound + 8, Qt::Uninitialized);
    std::copy(std::begin(header), std::end(header), out.begin());

    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data() + sizeof header);
    stream.avail_out = static_cast<uInt>(bound);
    const int result = deflate(&stream, Z_FINISH);
    const uLong deflated = stream.total_out;
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate did not finish");

    out.resize(static_cast<qsizetype>(sizeof header + deflated));
    const auto crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.constData()),
                           static_cast<uInt>(bytes.size()));
    appendLittleEndian(out, static_cast<quint32>(crc));
    appendLittleEndian(out, static_cast<quint32>(bytes.size()));
    return out;
}
