// The per-invoice byte work: the barcode's cipher and checksum, the taxML message's gzip and
// Base64, one PDF417 image at printer resolution, and the GBK layer every field passes through.

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

// One field as the dialogs and the print record convert it: a fresh converter each time.
const QString FieldText = QStringLiteral("张三 LFV2A21K5A3000001 机动车销售统一发票");

void BM_GbkEncodeField(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Gbk::encode(FieldText));
}
BENCHMARK(BM_GbkEncodeField);

void BM_GbkDecodeField(benchmark::State &state)
{
    const QByteArray bytes = Gbk::encode(FieldText);
    for (auto _ : state)
        benchmark::DoNotOptimize(Gbk::decode(bytes));
}
BENCHMARK(BM_GbkDecodeField);

void BM_GbkEncodeDocument(benchmark::State &state)
{
    const QString text = Gbk::decode(invoiceDocument());
    for (auto _ : state)
        benchmark::DoNotOptimize(Gbk::encode(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_GbkEncodeDocument);

void BM_GbkDecodeDocument(benchmark::State &state)
{
    const QByteArray document = invoiceDocument();
    for (auto _ : state)
        benchmark::DoNotOptimize(Gbk::decode(document));
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_GbkDecodeDocument);

// A month's report as the IC data file streams it: ASCII pieces between converted values.
void BM_GbkWriterMonth(benchmark::State &state)
{
    const QString values[] = {QStringLiteral("132000000001"), QStringLiteral("00012345"),
                              QStringLiteral("某某汽车制造有限公司"), QStringLiteral("SVW71810KJ 轿车"),
                              QStringLiteral("LFV2A21K5A3000001")};
    for (auto _ : state) {
        Gbk::Writer writer;
        QByteArray out;
        for (int invoice = 0; invoice < 1000; ++invoice) {
            for (const QString &value : values) {
                writer.append(out, u"<JDC_QYJDCXSFPB_CPXH>");
                writer.append(out, value);
            }
        }
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_GbkWriterMonth);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
