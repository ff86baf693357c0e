#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <unordered_map>
#include <vector>

class OdbcCursor;

// The invoice list behind the grid: 27 columns, of which the second to the last are the print
// record's fields. Rows are kept as one text buffer with cell boundaries rather than as an
// object per cell, so that a hundred thousand invoices stay small.
class InvoiceGridModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 27;
    // Column indexes (from 0) the program refers to.
    enum ColumnIndex {
        colCheck = 0,
        colBuyer = 1,
        colDocument = 2,
        colTelephone = 4,
        colPostcode = 5,
        colAddress = 6,
        colInvoiceNumber = 12,
        colInvoiceCode = 13,
        colTotal = 14,
        colDisplacement = 15,
        colUploadMark = 25,
        colPriceWithoutTax = 26
    };

    struct Column {
        const char *field;
        const char *heading;
        int width;
        bool hidden;
    };
    static const Column &ColumnAt(int column);

    explicit InvoiceGridModel(QObject *parent = nullptr);

    // Replaces the rows with the result of the list statement, in result order.
    void Load(OdbcCursor &cursor);
    void Clear();

    // Online declaration colours each row by its upload mark.
    void SetUploadColours(bool on);
    bool UploadColours() const { return m_uploadColours; }

    // One cell's text; empty outside the listed rows and columns.
    QString Cell(int row, int column) const;
    // Changes one cell of a listed row (the buyer details the operator just entered); a cell
    // outside the list is left alone.
    void SetCell(int row, int column, const QString &text);
    // The row of the invoice with that code and number, or -1.
    int FindInvoice(const QString &invoiceCode, const QString &invoiceNumber) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString m_text;                // every cell of every row, one after the other
    std::vector<quint32> m_ends;   // end of each cell in m_text, ColumnCount per row
    std::unordered_map<size_t, QString> m_changed; // cells changed since the list was read
    bool m_uploadColours = false;
};
