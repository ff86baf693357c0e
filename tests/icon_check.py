"""icon_check.py PNG SIZE: the package's icon file is a SIZE x SIZE RGBA PNG of the red seal
with its sign: red around the middle and white strokes in it. Exits non-zero otherwise."""
import struct
import sys
import zlib


def rows_of(data, size):
    """The decoded rows of an 8-bit RGBA PNG, filters undone."""
    chunks, at = b'', 8
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        if kind == b'IDAT':
            chunks += data[at + 8:at + 8 + length]
        at += 12 + length
    raw, stride, rows, previous = zlib.decompress(chunks), 4 * size, [], bytearray(4 * size)
    for y in range(size):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - 4] if x >= 4 else 0
            up = previous[x]
            corner = previous[x - 4] if x >= 4 else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(line)
        previous = line
    return rows


def main():
    data = open(sys.argv[1], 'rb').read()
    size = int(sys.argv[2])
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        sys.exit('not a PNG')
    width, height, depth, colour = struct.unpack('>IIBB', data[16:26])
    if (width, height) != (size, size) or (depth, colour) != (8, 6):
        sys.exit('%dx%d, depth %d, colour type %d' % (width, height, depth, colour))
    rows = rows_of(data, size)
    middle = [rows[y][4 * x:4 * x + 4] for y in range(size // 4, 3 * size // 4)
              for x in range(size // 4, 3 * size // 4)]
    white = sum(1 for r, g, b, a in middle if r > 200 and g > 200 and b > 200 and a > 200)
    red = sum(1 for r, g, b, a in middle if r > 150 and g < 80 and b < 80 and a > 200)
    if white < len(middle) // 20 or red < len(middle) // 8:
        sys.exit('middle of %d pixels: %d white, %d red' % (len(middle), white, red))


main()
