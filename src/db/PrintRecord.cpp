#include "PrintRecord.h"

const QStringList &PrintRecord::FieldNames()
{
    static const QStringList names{
        QStringLiteral("ghdw"),    QStringLiteral("zjmc"),   QStringLiteral("sfzhm"),  QStringLiteral("lxdh"),
        QStringLiteral("yzbm"),    QStringLiteral("dz"),     QStringLiteral("fdjhm"),  QStringLiteral("sccj"),
        QStringLiteral("cjhm"),    QStringLiteral("cpxh"),   QStringLiteral("kprq"),   QStringLiteral("fphm"),
        QStringLiteral("fpdm"),    QStringLiteral("jshj"),   QStringLiteral("pql"),    QStringLiteral("zzsl"),
        QStringLiteral("dw"),      QStringLiteral("xxry"),   QStringLiteral("xhdwsbh"), QStringLiteral("zgswjg"),
        QStringLiteral("xhdwdz"),  QStringLiteral("xhdwdh"), QStringLiteral("khyh"),   QStringLiteral("zh"),
        QStringLiteral("bz"),      QStringLiteral("bhsj")};
    return names;
}

void PrintRecord::Reset()
{
    m_values = QStringList(FieldCount, QString());
}

void PrintRecord::SetValue(Field field, const QString &value)
{
    if (IsEmpty())
        Reset();
    m_values[field] = value;
}
