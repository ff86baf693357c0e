#include "Utf8Locale.h"

#include <QtGlobal>

#include <clocale>
#if defined(Q_OS_UNIX)
#include <langinfo.h>
#include <strings.h>
#endif

void UseUtf8CharacterType()
{
#if defined(Q_OS_UNIX)
    const char *codeset = nl_langinfo(CODESET);
    if (codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0))
        return;
    // The language of the environment is kept for everything else.
    for (const char *name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
        if (std::setlocale(LC_CTYPE, name))
            return;
    }
#endif
}
