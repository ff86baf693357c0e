/* The three zint functions Barcodedll calls, for linking it as a Windows DLL where no zint for
   Windows is at hand. Never run: the cross check reads the DLL's export table only. */

#include <zint.h>

#include <stdlib.h>

struct zint_symbol *ZBarcode_Create(void)
{
    return calloc(1, sizeof(struct zint_symbol));
}

void ZBarcode_Delete(struct zint_symbol *symbol)
{
    free(symbol);
}

int ZBarcode_Encode(struct zint_symbol *symbol, const unsigned char *source, int length)
{
    (void)symbol;
    (void)source;
    (void)length;
    return ZINT_ERROR_INVALID_OPTION;
}
