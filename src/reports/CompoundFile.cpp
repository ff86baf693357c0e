#include "CompoundFile.h"

#include <algorithm>
#include <iterator>

#include <QtEndian>

#include "config/AppError.h"

// Our own few lines instead of libgsf's MS-OLE writer: libgsf brings GLib and GObject into the
// program and its Windows build, for a file whose layout is fixed (one stream, no mini stream).
// The layout: the stream's sectors, one directory sector, the FAT sectors, then the DIFAT
// sectors that list the FAT sectors the header has no room for (a stream past about 7 MB).

namespace {

constexpr int SectorSize = 512;
constexpr int EntriesPerFatSector = SectorSize / 4;
constexpr int HeaderFatSlots = 109;
constexpr int FatSlotsPerDifatSector = EntriesPerFatSector - 1; // the last entry links the next
// Streams shorter than this would belong in the mini stream; padding keeps them in sectors.
constexpr int MiniStreamCutoff = 4096;

constexpr quint32 FreeSector = 0xFFFFFFFF;
constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr quint32 FatSector = 0xFFFFFFFD;
constexpr quint32 DifatSector = 0xFFFFFFFC;
constexpr quint32 NoStream = 0xFFFFFFFF;

void put16(QByteArray &out, int at, quint16 value)
{
    qToLittleEndian(value, out.data() + at);
}

void put32(QByteArray &out, int at, quint32 value)
{
    qToLittleEndian(value, out.data() + at);
}

enum : quint8 { StreamObject = 2, RootObject = 5 };

// One 128-byte directory entry; the tree is the root with the stream as its only child.
QByteArray directoryEntry(const QString &name, quint8 type, quint32 child, quint32 start, quint32 size)
{
    QByteArray entry(128, '\0');
    const int units = int(qMin<qsizetype>(name.size(), 31));
    for (int i = 0; i < units; ++i)
        put16(entry, 2 * i, name.at(i).unicode());
    put16(entry, 64, quint16(name.isEmpty() ? 0 : 2 * (units + 1)));
    entry[66] = char(type);
    entry[67] = char(type == 0 ? 0 : 1); // black; an unused entry is all zeros but its links
    put32(entry, 68, NoStream);
    put32(entry, 72, NoStream);
    put32(entry, 76, child);
    put32(entry, 116, start);
    put32(entry, 120, size);
    return entry;
}

} // namespace

QByteArray CompoundFile(const QString &streamName, const QByteArray &stream)
{
    const qsizetype streamSize = std::max<qsizetype>(stream.size(), MiniStreamCutoff);
    const qsizetype streamSectors = (streamSize + SectorSize - 1) / SectorSize;
    // The FAT covers every sector, its own and the DIFAT's among them.
    qsizetype fatSectors = 1;
    qsizetype difatSectors = 0;
    while (fatSectors * EntriesPerFatSector < streamSectors + 1 + fatSectors + difatSectors) {
        ++fatSectors;
        difatSectors = std::max<qsizetype>(0, fatSectors - HeaderFatSlots + FatSlotsPerDifatSector - 1)
            / FatSlotsPerDifatSector;
    }
    if (streamSectors + 1 + fatSectors + difatSectors >= qsizetype(DifatSector))
        throw AppError(QStringLiteral("工作簿太大，无法写成 Excel 97-2003 文件"));

    const auto directorySector = quint32(streamSectors);
    const auto firstFatSector = directorySector + 1;
    const auto firstDifatSector = firstFatSector + quint32(fatSectors);

    QByteArray header(SectorSize, '\0');
    static const unsigned char Signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(Signature), std::end(Signature), header.begin());
    put16(header, 24, 0x003E); // minor version
    put16(header, 26, 0x0003); // major version 3: 512-byte sectors
    put16(header, 28, 0xFFFE); // little-endian
    put16(header, 30, 9);      // sector size 2^9
    put16(header, 32, 6);      // mini sector size 2^6
    put32(header, 44, quint32(fatSectors));
    put32(header, 48, directorySector);
    put32(header, 56, MiniStreamCutoff);
    put32(header, 60, EndOfChain); // no mini FAT
    put32(header, 68, difatSectors > 0 ? firstDifatSector : EndOfChain);
    put32(header, 72, quint32(difatSectors));
    for (int slot = 0; slot < HeaderFatSlots; ++slot)
        put32(header, 76 + 4 * slot, slot < fatSectors ? firstFatSector + quint32(slot) : FreeSector);

    QByteArray directory = directoryEntry(QStringLiteral("Root Entry"), RootObject, 1, EndOfChain, 0)
        + directoryEntry(streamName, StreamObject, NoStream, 0, quint32(streamSize))
        + directoryEntry({}, 0, NoStream, 0, 0) + directoryEntry({}, 0, NoStream, 0, 0);

    QByteArray fat(fatSectors * SectorSize, '\0');
    for (qsizetype i = 0; i < fatSectors * EntriesPerFatSector; ++i) {
        quint32 next = FreeSector;
        if (i < streamSectors)
            next = i + 1 == streamSectors ? EndOfChain : quint32(i + 1);
        else if (i == streamSectors)
            next = EndOfChain; // the directory's one sector
        else if (i < streamSectors + 1 + fatSectors)
            next = FatSector;
        else if (i < streamSectors + 1 + fatSectors + difatSectors)
            next = DifatSector;
        put32(fat, int(4 * i), next);
    }
    // The FAT sectors after the header's first 109, 127 to a DIFAT sector, each linking the next.
    QByteArray difat(difatSectors * SectorSize, '\0');
    for (qsizetype slot = 0; slot < difatSectors * EntriesPerFatSector; ++slot) {
        const qsizetype sector = slot / EntriesPerFatSector;
        quint32 value = FreeSector;
        if (slot % EntriesPerFatSector == FatSlotsPerDifatSector) {
            value = sector + 1 < difatSectors ? firstDifatSector + quint32(sector + 1) : EndOfChain;
        } else {
            const qsizetype fat = HeaderFatSlots + sector * FatSlotsPerDifatSector + slot % EntriesPerFatSector;
            if (fat < fatSectors)
                value = firstFatSector + quint32(fat);
        }
        put32(difat, int(4 * slot), value);
    }
    // One copy of the stream, straight into the file, padded to whole sectors.
    QByteArray file;
    file.reserve(header.size() + streamSectors * SectorSize + directory.size() + fat.size() + difat.size());
    file.append(header).append(stream);
    file.append(QByteArray(streamSectors * SectorSize - stream.size(), '\0'));
    return file.append(directory).append(fat).append(difat);
}
