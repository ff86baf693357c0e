#pragma once

#include <QString>
#include <QStringList>

// One invoice as the declaration form, the barcode and the record export see it: 26 texts in the
// order of the grid's columns 2 to 27, each named by its column's field name. An empty record
// has no entries at all.
class PrintRecord final
{
public:
    enum Field {
        ghdw, zjmc, sfzhm, lxdh, yzbm, dz, fdjhm, sccj, cjhm, cpxh, kprq, fphm, fpdm,
        jshj, pql, zzsl, dw, xxry, xhdwsbh, zgswjg, xhdwdz, xhdwdh, khyh, zh, bz, bhsj,
        FieldCount
    };

    // "ghdw", "zjmc", … in field order.
    static const QStringList &FieldNames();

    bool IsEmpty() const { return m_values.isEmpty(); }
    // No entries.
    void Clear() { m_values.clear(); }
    // 26 empty entries.
    void Reset();

    QString Value(Field field) const { return IsEmpty() ? QString() : m_values.at(field); }
    // Resets an empty record first.
    void SetValue(Field field, const QString &value);
    const QStringList &Values() const { return m_values; }

private:
    QStringList m_values;
};
