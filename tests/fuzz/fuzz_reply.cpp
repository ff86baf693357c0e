// The tax server's reply as the exchange reads it: any body, of any length, is read without
// harm; only its first 10,240 bytes count.

#include "FuzzSupport.h"

#include "upload/MyIdHttp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    const TaxReply reply = ReadTaxReply(body);
    const TaxReply cut = ReadTaxReply(body.left(10240));
    FUZZ_CHECK(reply.found == cut.found && reply.resultValue == cut.resultValue
               && reply.resultMessage == cut.resultMessage);
    if (reply.found)
        FUZZ_CHECK(body.left(10240).contains("<Response>"));
    return 0;
}
