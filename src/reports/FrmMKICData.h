#pragma once

#include <memory>

#include <QDialog>

#include "config/Clock.h"

class FolderBrowser;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TJdcConnection;

// Writes last month's IC-card declaration data file where the operator says and shows it.
class TfrmMKICData final : public QDialog
{
    Q_OBJECT

public:
    // browser nullptr asks with the desktop's folder browser.
    explicit TfrmMKICData(TJdcConnection &connection, FolderBrowser *browser = nullptr,
                          const Clock &clock = systemClock(), QWidget *parent = nullptr);
    ~TfrmMKICData() override;

    QLineEdit *FileNameEdit() const { return m_edtFName; }
    QPlainTextEdit *View() const { return m_webBrowser1; }

    void FormShow();
    void btnPathClick();
    void btnExportClick();
    // False, after the error box, when the file could not be written.
    bool MakeICData(const QString &path);

private:
    TJdcConnection &m_connection;
    std::unique_ptr<FolderBrowser> m_ownBrowser;
    FolderBrowser &m_browser;
    QString m_month;
    QString m_fileName;

    QPushButton *m_btnPath;
    QLineEdit *m_edtFName;
    QPushButton *m_btnExport;
    QPushButton *m_btnClose;
    QPlainTextEdit *m_webBrowser1;
};
