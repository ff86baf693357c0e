// The per-invoice byte work: the barcode's cipher and checksum, the taxML message's gzip and
// Base64, and one PDF417 image at printer resolution.

#include "config/Crc32.h"
#include "config/Crypt.h"
#include "config/Encodings.h"
#include "config/GZip.h"
#include "config/GbkText.h"
#include "print/PDF417BarCode.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

QByteArray invoiceDocument()
{
    return Gbk::encode(QStringLiteral("<jdcxsfpMxxx><ghdw>张三</ghdw><cjhm>LFV2A21K5A3000001</cjhm></jdcxsfpMxxx>").repeated(40));
}

void BM_EncryptField(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TCrypt::EncryptString(QStringLiteral("CA4GA1234567"), QStringLiteral("132000000001-00012345")));
}
BENCHMARK(BM_EncryptField);

void BM_CrcOfPayload(benchmark::State &state)
{
    const QByteArray body = invoiceDocument().left(600);
    for (auto _ : state)
        benchmark::DoNotOptimize(CrcText(body));
}
BENCHMARK(BM_CrcOfPayload);

void BM_PackInvoiceMessage(benchmark::State &state)
{
    const QByteArray document = invoiceDocument();
    for (auto _ : state)
        benchmark::DoNotOptimize(Base64Encode(GZipCompress(document)));
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_PackInvoiceMessage);

void BM_Pdf417At600Dpi(benchmark::State &state)
{
    QTemporaryDir dir;
    TPDF417BarCode barcode(QStringLiteral(BARCODEDLL_PATH));
    const QByteArray payload = invoiceDocument().left(600);
    for (auto _ : state)
        benchmark::DoNotOptimize(barcode.MakeImage(dir.filePath(QStringLiteral("none.ini")), payload, 600, 600));
}
BENCHMARK(BM_Pdf417At600Dpi);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
