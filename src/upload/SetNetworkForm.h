#pragma once

#include <QDialog>

class QLineEdit;
class QTabWidget;
class QTimer;

// The tax server's address and port, the automatic upload interval and the retry count.
// Everything is stored on OK; Cancel stores nothing.
class TSetNetworkForm final : public QDialog
{
    Q_OBJECT

public:
    // Range of the interval's arrows; a number typed into the box is taken as it is.
    static constexpr int MinInterval = 10;
    static constexpr int MaxInterval = 600;

    explicit TSetNetworkForm(QWidget *parent = nullptr);

    // True when the part after "http://" or "https://" (or the whole address without either)
    // holds only ASCII letters, digits and single dots. An empty part passes.
    static bool CheckServerAddr(const QString &address);

    // Fills the boxes from AuthenServer (split at its last colon), InterTime and RetryTimes.
    void LoadNetSettings();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void edtServerPortExit();
    void btnOkClick();
    void StepInterval(int delta);

    QTabWidget *m_pages;
    QLineEdit *m_serverAddr;
    QLineEdit *m_serverPort;
    QLineEdit *m_interval;
    QLineEdit *m_times;
    int m_position = MinInterval; // the arrows' own position, always within the range
};

// Shows the upload settings: the timer is stopped while the dialog is open; afterwards,
// whatever the answer, it gets InterTime seconds (at least one) and runs exactly when
// automaticOn.
void EditNetworkSettings(QTimer &timer, bool automaticOn);

// The upload dialogs limit what the clerk types into a box to maxBytes GBK bytes. A longer
// text the program puts in (from a hand-edited settings file) is kept whole: a cut address
// would be stored cut on OK.
void LimitTypedBytes(QLineEdit &edit, qsizetype maxBytes);
void SetWholeText(QLineEdit &edit, const QString &text);
