#include "FrmSetPrintTime.h"

#include <algorithm>
#include <optional>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "config/ErrorDisplay.h"
#include "config/ModalDialogs.h"
#include "config/Settings.h"
#include "entry/NumberEdit.h"

TfrmSetPrintTime::TfrmSetPrintTime(QWidget *parent)
    : QDialog(parent)
    , m_time(new TNumberEdit(this))
    , m_up(MakeStepArrow("btnUp", Qt::UpArrow, this))
    , m_down(MakeStepArrow("btnDown", Qt::DownArrow, this))
{
    setObjectName(QStringLiteral("frmSetPrintTime"));
    setWindowTitle(QStringLiteral("设置自动打印间隔"));

    auto *label = new QLabel(QStringLiteral("自动打印间隔（秒）："), this);
    label->setObjectName(QStringLiteral("lblTime"));
    label->setBuddy(m_time);
    m_time->setObjectName(QStringLiteral("edtTime"));
    m_time->SetInputType(tInt);
    m_time->setMaxLength(2);
    m_time->setReadOnly(true);
    m_time->SetAlignment(Qt::AlignRight);
    m_time->setFixedWidth(48);
    m_time->installEventFilter(this);
    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });

    auto *ok = new QPushButton(QStringLiteral("保存"), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    // Escape rejects too, through QDialog.
    auto *close = new QPushButton(QStringLiteral("退出"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(m_up);
    arrows->addWidget(m_down);
    // Field and arrows side by side without a gap, as one spin control.
    auto *spin = new QHBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(m_time);
    spin->addLayout(arrows);
    auto *field = new QHBoxLayout;
    field->addWidget(label);
    field->addLayout(spin);
    field->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(field);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    SetSeconds(m_seconds);
    m_time->setFocus();
}

void TfrmSetPrintTime::SetSeconds(int seconds)
{
    m_seconds = std::clamp(seconds, MinSeconds, MaxSeconds);
    m_time->setText(QString::number(m_seconds));
}

void TfrmSetPrintTime::Step(int delta)
{
    SetSeconds(m_seconds + delta);
}

bool TfrmSetPrintTime::eventFilter(QObject *watched, QEvent *event)
{
    // The field is read-only; the arrow keys step it as the arrow buttons do.
    if (watched == m_time && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EditPrintInterval(QTimer &timer, bool automaticOn)
{
    // No printing starts under the open dialog.
    timer.stop();
    auto *dialog = new TfrmSetPrintTime;
    dialog->SetSeconds(AppSettings().InterTime);
    std::optional<int> chosen;
    // ShowModalCentered frees the dialog, so the value is taken while it closes.
    QObject::connect(dialog, &QDialog::accepted, dialog, [dialog, &chosen] { chosen = dialog->Seconds(); });
    ShowModalCentered(dialog);
    if (chosen) {
        RunGuarded([&chosen] {
            WriteInterTime(*chosen);
            AppSettings().InterTime = *chosen;
        });
    }
    timer.setInterval(TimerIntervalMs(AppSettings().InterTime));
    if (automaticOn)
        timer.start();
}
