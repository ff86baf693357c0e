/* PDF417 barcode library of Kerrowvantis: a C interface, loaded by file name at run time. */
#pragma once

#include <stdint.h>

#if defined(_WIN32)
#define BARCODEDLL_CALL __stdcall
#if defined(BARCODEDLL_DEF_EXPORTS)
/* Barcodedll.def exports the plain names; __declspec(dllexport) would add the decorated ones
   of a 32-bit build (MakePDF417@12) beside them. */
#define BARCODEDLL_API
#elif defined(BARCODEDLL_BUILD)
#define BARCODEDLL_API __declspec(dllexport)
#else
#define BARCODEDLL_API __declspec(dllimport)
#endif
#else
#define BARCODEDLL_CALL
#define BARCODEDLL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The bitmap behind a handle: 8-bit grey pixels, 0 black and 255 white, rows top down. */
typedef struct Pdf417Bitmap {
    int32_t width;
    int32_t height;
    int32_t bytesPerLine;
    uint8_t *pixels;
} Pdf417Bitmap;

/* A PDF417 symbol of the length bytes of data (binary, taken as they are), drawn for a
   device of dpiX by dpiY dots per inch. iniPath names the settings file whose [PDF417]
   section may set ModuleWidth (millimetres), RowHeight (modules), ECLevel (0-8) and
   Columns (1-30). The parameters reserved4 to reserved10, reserved13 and reserved14 are 0.
   Returns a bitmap handle the caller frees with FreePDF417Bitmap, or 0 on failure. */
typedef void *(BARCODEDLL_CALL *MakePDF417ExProc)(const char *iniPath, const char *data, int32_t length,
                                                  int32_t reserved4, int32_t reserved5, int32_t reserved6,
                                                  int32_t reserved7, int32_t reserved8, int32_t reserved9,
                                                  int32_t reserved10, int32_t dpiX, int32_t dpiY,
                                                  int32_t reserved13, int32_t reserved14);

/* As MakePDF417Ex for a 300 dpi device. */
typedef void *(BARCODEDLL_CALL *MakePDF417Proc)(const char *iniPath, const char *data, int32_t length);

/* Writes the symbol for a device of dpi dots per inch to fileName as a portable bitmap (PBM).
   Returns 1 on success, 0 on failure. */
typedef int32_t(BARCODEDLL_CALL *PrtPDF417Proc)(const char *iniPath, const char *data, int32_t length,
                                                int32_t dpi, const char *fileName);

/* Frees a bitmap made by MakePDF417 or MakePDF417Ex; 0 is ignored. */
typedef void(BARCODEDLL_CALL *FreePDF417BitmapProc)(void *bitmap);

BARCODEDLL_API void *BARCODEDLL_CALL MakePDF417(const char *iniPath, const char *data, int32_t length);
BARCODEDLL_API void *BARCODEDLL_CALL MakePDF417Ex(const char *iniPath, const char *data, int32_t length,
                                                  int32_t reserved4, int32_t reserved5, int32_t reserved6,
                                                  int32_t reserved7, int32_t reserved8, int32_t reserved9,
                                                  int32_t reserved10, int32_t dpiX, int32_t dpiY,
                                                  int32_t reserved13, int32_t reserved14);
BARCODEDLL_API int32_t BARCODEDLL_CALL PrtPDF417(const char *iniPath, const char *data, int32_t length,
                                                 int32_t dpi, const char *fileName);
BARCODEDLL_API void BARCODEDLL_CALL FreePDF417Bitmap(void *bitmap);

#ifdef __cplusplus
}
#endif
