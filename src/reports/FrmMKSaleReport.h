#pragma once

#include <memory>

#include <QDate>
#include <QDialog>

#include "config/Clock.h"

class FolderBrowser;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;
class TJdcConnection;

// Makes last month's sales invoice list in a folder the operator chooses and shows the sheet:
// the report read back from its file when there is one, else the template.
class TfrmMKSaleReport final : public QDialog
{
    Q_OBJECT

public:
    // browser nullptr asks with the desktop's folder browser.
    explicit TfrmMKSaleReport(TJdcConnection &connection, FolderBrowser *browser = nullptr,
                              const Clock &clock = systemClock(), QWidget *parent = nullptr);
    ~TfrmMKSaleReport() override;

    QString ReportPath() const { return m_reportPath; }
    // The texts the view shows, row by row.
    QList<QStringList> ShownCells() const;

    void FormShow();
    void btnMakeRepClick();
    // False, after a box with the reason, when the report could not be made.
    bool MakeSaleReport();
    void btnPrtClick();

protected:
    void done(int result) override;

private:
    void ShowCells(const QList<QStringList> &cells);
    void SetSheetView();
    void StoreReportPath();

    TJdcConnection &m_connection;
    std::unique_ptr<FolderBrowser> m_ownBrowser;
    FolderBrowser &m_browser;
    QDate m_month;
    QString m_reportPath;

    QLineEdit *m_edtPath;
    QLineEdit *m_edtRepName;
    QPushButton *m_btnMakeRep;
    QPushButton *m_bitBtn2;
    QPushButton *m_btnPrt;
    QTableView *m_f1Book1;
    QStandardItemModel *m_sheet;
};
