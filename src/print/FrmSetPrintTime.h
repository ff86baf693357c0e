#pragma once

#include <QDialog>

class QTimer;
class QToolButton;
class TNumberEdit;

// The automatic printing interval in seconds, stepped by arrows within 10 to 60.
class TfrmSetPrintTime final : public QDialog
{
    Q_OBJECT

public:
    static constexpr int MinSeconds = 10;
    static constexpr int MaxSeconds = 60;

    explicit TfrmSetPrintTime(QWidget *parent = nullptr);

    // A value outside 10..60 (a hand-edited settings file) is brought into the range: the
    // two-character field could not show every such value, and the dialog only ever hands
    // back an interval it offers.
    void SetSeconds(int seconds);
    int Seconds() const { return m_seconds; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Step(int delta);

    TNumberEdit *m_time;
    QToolButton *m_up;
    QToolButton *m_down;
    int m_seconds = MinSeconds;
};

// Shows the interval dialog: stops the timer while it is open; on OK stores the new interval
// (AppSettings().InterTime and WriteInterTime from src/config/Settings.h); afterwards the timer's
// interval comes from InterTime (TimerIntervalMs) and it runs exactly when automaticOn.
// A failed write shows its error box and keeps the old interval.
void EditPrintInterval(QTimer &timer, bool automaticOn);
