// The print template loader: any file, under either template name, loads or is refused without
// harm, and a loaded form takes a record.

#include "FuzzSupport.h"

#include "db/PrintRecord.h"
#include "print/PrintTemplate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = FuzzFile("PrintTemplate.xml", QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (const QString &name : {QStringLiteral("Template_SBB"), QStringLiteral("Template_Other")}) {
        TPrintTemplate form;
        if (!form.LoadTemplate(path, name))
            continue;
        form.Fill(QStringList(PrintRecord::FieldCount, QStringLiteral("值")), PrintRecord::FieldNames());
        form.ShiftItems(12, 3);
    }
    return 0;
}
