// PDF417 symbols through zint, drawn as grey bitmaps for a given device resolution.

#include "Barcodedll.h"

#include <zint.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

namespace {

struct Options {
    double moduleWidthMm = 0.254; // X dimension
    int rowHeight = 3;            // row height in X dimensions
    int ecLevel = 4;
    int columns = 12;
};

constexpr int QuietZone = 2;               // modules of white around the symbol
constexpr long long MaxPixels = 64LL << 20; // refuse absurd resolutions rather than allocate them
constexpr int DefaultDpi = 300;

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool sameName(const std::string &a, const char *b)
{
    const std::string other(b);
    return a.size() == other.size()
        && std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The library's own section of the settings file; missing or unusable values keep their defaults.
Options readOptions(const char *iniPath)
{
    Options options;
    if (!iniPath)
        return options;
    const std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(iniPath, "rb"), &std::fclose);
    if (!file)
        return options;

    bool inSection = false;
    bool seen[4] = {};
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, file.get())) {
        const std::string line = trimmed(buffer);
        if (!line.empty() && line.front() == '[') {
            const auto close = line.find(']');
            const std::string name = trimmed(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            if (inSection)
                break; // the first section of the name wins
            inSection = sameName(name, "PDF417");
            continue;
        }
        const auto eq = line.find('=');
        if (!inSection || eq == std::string::npos)
            continue;
        const std::string key = trimmed(line.substr(0, eq));
        const std::string value = trimmed(line.substr(eq + 1));
        char *end = nullptr;
        if (sameName(key, "ModuleWidth") && !seen[0]) {
            seen[0] = true;
            const double mm = std::strtod(value.c_str(), &end);
            if (end != value.c_str() && *end == '\0' && mm >= 0.05 && mm <= 5.0)
                options.moduleWidthMm = mm;
        } else if (sameName(key, "RowHeight") && !seen[1]) {
            seen[1] = true;
            const long rows = std::strtol(value.c_str(), &end, 10);
            if (end != value.c_str() && *end == '\0' && rows >= 1 && rows <= 20)
                options.rowHeight = static_cast<int>(rows);
        } else if (sameName(key, "ECLevel") && !seen[2]) {
            seen[2] = true;
            const long level = std::strtol(value.c_str(), &end, 10);
            if (end != value.c_str() && *end == '\0' && level >= 0 && level <= 8)
                options.ecLevel = static_cast<int>(level);
        } else if (sameName(key, "Columns") && !seen[3]) {
            seen[3] = true;
            const long columns = std::strtol(value.c_str(), &end, 10);
            if (end != value.c_str() && *end == '\0' && columns >= 1 && columns <= 30)
                options.columns = static_cast<int>(columns);
        }
    }
    return options;
}

bool moduleIsSet(const zint_symbol &symbol, int row, int column)
{
    return (symbol.encoded_data[row][column >> 3] >> (column & 7)) & 1;
}

int pixelsFor(double millimetres, int dpi)
{
    return std::max(1, static_cast<int>(std::lround(millimetres * dpi / 25.4)));
}

Pdf417Bitmap *makeBitmap(const char *iniPath, const char *data, int32_t length, int32_t dpiX, int32_t dpiY)
{
    if (!data || length <= 0)
        return nullptr;
    const Options options = readOptions(iniPath);
    if (dpiX <= 0)
        dpiX = DefaultDpi;
    if (dpiY <= 0)
        dpiY = DefaultDpi;

    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(), &ZBarcode_Delete);
    if (!symbol)
        return nullptr;
    symbol->symbology = BARCODE_PDF417;
    symbol->input_mode = DATA_MODE;
    symbol->option_1 = options.ecLevel;
    symbol->option_2 = options.columns;
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char *>(data), length) >= ZINT_ERROR)
        return nullptr;

    const int moduleX = pixelsFor(options.moduleWidthMm, dpiX);
    const int moduleY = pixelsFor(options.moduleWidthMm, dpiY);
    const int rowPixels = pixelsFor(options.moduleWidthMm * options.rowHeight, dpiY);
    const long long width = static_cast<long long>(symbol->width + 2 * QuietZone) * moduleX;
    const long long height = static_cast<long long>(symbol->rows) * rowPixels + 2LL * QuietZone * moduleY;
    if (width * height > MaxPixels)
        return nullptr;

    auto *bitmap = new (std::nothrow) Pdf417Bitmap{};
    if (!bitmap)
        return nullptr;
    bitmap->width = static_cast<int32_t>(width);
    bitmap->height = static_cast<int32_t>(height);
    bitmap->bytesPerLine = bitmap->width;
    bitmap->pixels = new (std::nothrow) uint8_t[static_cast<size_t>(width * height)];
    if (!bitmap->pixels) {
        delete bitmap;
        return nullptr;
    }
    std::fill_n(bitmap->pixels, width * height, uint8_t(255));
    for (int row = 0; row < symbol->rows; ++row) {
        const int top = QuietZone * moduleY + row * rowPixels;
        for (int column = 0; column < symbol->width; ++column) {
            if (!moduleIsSet(*symbol, row, column))
                continue;
            const int left = (QuietZone + column) * moduleX;
            for (int y = top; y < top + rowPixels; ++y)
                std::fill_n(bitmap->pixels + static_cast<size_t>(y) * bitmap->bytesPerLine + left, moduleX, uint8_t(0));
        }
    }
    return bitmap;
}

void freeBitmap(Pdf417Bitmap *bitmap)
{
    if (!bitmap)
        return;
    delete[] bitmap->pixels;
    delete bitmap;
}

} // namespace

extern "C" {

BARCODEDLL_API void *BARCODEDLL_CALL MakePDF417(const char *iniPath, const char *data, int32_t length)
{
    return makeBitmap(iniPath, data, length, DefaultDpi, DefaultDpi);
}

BARCODEDLL_API void *BARCODEDLL_CALL MakePDF417Ex(const char *iniPath, const char *data, int32_t length, int32_t,
                                                  int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t dpiX,
                                                  int32_t dpiY, int32_t, int32_t)
{
    return makeBitmap(iniPath, data, length, dpiX, dpiY);
}

BARCODEDLL_API int32_t BARCODEDLL_CALL PrtPDF417(const char *iniPath, const char *data, int32_t length, int32_t dpi,
                                                 const char *fileName)
{
    const std::unique_ptr<Pdf417Bitmap, decltype(&freeBitmap)> bitmap(makeBitmap(iniPath, data, length, dpi, dpi),
                                                                      &freeBitmap);
    if (!bitmap || !fileName)
        return 0;
    const std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(fileName, "wb"), &std::fclose);
    if (!file)
        return 0;
    std::fprintf(file.get(), "P4\n%d %d\n", bitmap->width, bitmap->height);
    const int packed = (bitmap->width + 7) / 8;
    std::unique_ptr<unsigned char[]> line(new unsigned char[packed]);
    for (int y = 0; y < bitmap->height; ++y) {
        std::fill_n(line.get(), packed, static_cast<unsigned char>(0));
        for (int x = 0; x < bitmap->width; ++x) {
            if (bitmap->pixels[static_cast<size_t>(y) * bitmap->bytesPerLine + x] == 0)
                line[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        }
        if (std::fwrite(line.get(), 1, packed, file.get()) != static_cast<size_t>(packed))
            return 0;
    }
    return 1;
}

BARCODEDLL_API void BARCODEDLL_CALL FreePDF417Bitmap(void *bitmap)
{
    freeBitmap(static_cast<Pdf417Bitmap *>(bitmap));
}

} // extern "C"
