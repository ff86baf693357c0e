#include "BarcodePayload.h"

#include "config/Crc32.h"
#include "config/Crypt.h"
#include "config/GbkText.h"
#include "db/PrintRecord.h"

QString BarcodePayload(const QStringList &values)
{
    using F = PrintRecord;
    const auto value = [&values](int field) { return values.value(field); };
    const QString key = value(F::fpdm) + QLatin1Char('-') + value(F::fphm);

    // The seller block comes before the rates block; readers rely on this order.
    const QString fields[] = {
        value(F::ghdw),    value(F::zjmc),   value(F::sfzhm),  value(F::lxdh),   value(F::yzbm),
        value(F::dz),      TCrypt::EncryptString(value(F::fdjhm), key),           value(F::sccj),
        value(F::cjhm),    value(F::cpxh),   value(F::kprq),   value(F::fphm),   value(F::fpdm),
        TCrypt::EncryptString(value(F::jshj), key),            value(F::pql),    value(F::xhdwsbh),
        value(F::zgswjg),  value(F::xhdwdz), value(F::xhdwdh), value(F::khyh),   value(F::zh),
        value(F::zzsl),    value(F::dw),     value(F::xxry)};
    QString body = QStringLiteral("^1^1^");
    for (const QString &field : fields)
        body += field + QLatin1Char('^');
    return QStringLiteral("#STARS#") + CrcText(Gbk::encode(body)) + body + QStringLiteral("#END#");
}
