#pragma once

#include <memory>

#include <QDialog>

#include "config/Clock.h"

class FolderBrowser;
class QDateEdit;
class QPushButton;
class TJdcConnection;

// Writes the electronic declaration archive of one month into a folder the operator chooses.
// Only a written archive or Cancel closes it.
class TfrmSBSJ final : public QDialog
{
    Q_OBJECT

public:
    // browser nullptr asks with the desktop's folder browser.
    explicit TfrmSBSJ(TJdcConnection &connection, FolderBrowser *browser = nullptr,
                      const Clock &clock = systemClock(), QWidget *parent = nullptr);
    ~TfrmSBSJ() override;

    QDateEdit *MonthPicker() const { return m_dtpMonth; }
    QPushButton *OkButton() const { return m_btnOK; }
    QPushButton *CancelButton() const { return m_btnCancel; }
    bool Done() const { return m_done; }

    // False, after a warning, when the chosen month is later than the current one.
    bool CheckSBSJMonth();
    // False when the folder browser was cancelled, or, after an error box with the reason, when
    // the archive could not be written.
    bool MakeSBSJXml();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void btnOKClick();
    void btnCancelClick();

    TJdcConnection &m_connection;
    std::unique_ptr<FolderBrowser> m_ownBrowser;
    FolderBrowser &m_browser;
    const Clock &m_clock;
    bool m_done = false;

    QDateEdit *m_dtpMonth;
    QPushButton *m_btnOK;
    QPushButton *m_btnCancel;
};
