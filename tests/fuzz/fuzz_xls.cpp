// The .xls writer: a sheet of any texts, numbers and a formula at any cells, with borders, is
// written without a crash or an overflow. The tests read written files with other readers.

#include "FuzzSupport.h"

#include "config/AppError.h"
#include "reports/XlsSheet.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    XlsSheet sheet = XlsSheet::FromTemplate(QStringLiteral(TEMPLATE_DIR "/机动车销售统一发票清单.vts"));
    size_t at = 0;
    const auto take = [&](size_t n) -> const uint8_t * {
        if (at + n > size)
            return nullptr;
        const uint8_t *p = data + at;
        at += n;
        return p;
    };
    try {
        // Records of: kind, row (2 bytes), column, length, then the text or a number.
        while (const uint8_t *head = take(5)) {
            const int row = 1 + ((head[1] << 8 | head[2]) % 2000);
            const int column = 1 + head[3] % 12;
            const size_t length = head[4];
            switch (head[0] % 4) {
            case 0:
                if (const uint8_t *text = take(length))
                    sheet.SetText(row, column, QString::fromUtf8(reinterpret_cast<const char *>(text), qsizetype(length)));
                break;
            case 1:
                if (const uint8_t *number = take(8)) {
                    double value = 0;
                    std::memcpy(&value, number, sizeof value);
                    sheet.SetNumber(row, column, value);
                }
                break;
            case 2:
                sheet.SetFormula(row, column, QStringLiteral("SUM(G4:G%1)").arg(row), row);
                break;
            case 3:
                sheet.SetThinBorders(row, column, row + head[4] % 40, qMin(column + head[4] % 5, 256));
                break;
            }
        }
        const QByteArray xls = sheet.ToXls();
        FUZZ_CHECK(xls.startsWith("\xD0\xCF\x11\xE0"));
        sheet.Cells();
    } catch (const AppError &) {
    }
    return 0;
}
