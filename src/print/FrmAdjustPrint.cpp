#include "FrmAdjustPrint.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "config/ErrorDisplay.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"
#include "entry/NumberEdit.h"

namespace {

// Offered when the file has no offsets yet; the program itself prints without them then.
constexpr int DefaultOffX = 0;
constexpr int DefaultOffY = 5;

QString noteText()
{
    const QString indent = QStringLiteral("    ");
    return QStringList{
        QStringLiteral("调整说明"),
        QString(),
        indent + QStringLiteral("1、调整单位为毫米"),
        indent + QStringLiteral("2、横向如是正数则向右调整，如是负数则"),
        indent + QStringLiteral("向左调整。"),
        indent + QStringLiteral("3、纵向如是正数则向下调整，如是负数则"),
        indent + QStringLiteral("向上调整。"),
    }.join(QLatin1Char('\n'));
}

TNumberEdit *offsetEdit(const char *name, int value, QWidget *parent)
{
    auto *edit = new TNumberEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->SetInputType(tInt);
    edit->setMaxLength(4);
    edit->setText(QString::number(value));
    return edit;
}

// A text that is no whole number ("-" alone, or something pasted) cannot be stored, so it
// counts as missing: the clerk gets the same warning as for an empty field.
bool offsetValue(const TNumberEdit *edit, int &value)
{
    bool ok = false;
    value = edit->text().trimmed().toInt(&ok);
    return ok;
}

} // namespace

TFrmAdjustPrint::TFrmAdjustPrint(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmAdjustPrint"));
    setWindowTitle(QStringLiteral("打印微调"));

    auto *note = new QLabel(noteText(), this);
    note->setObjectName(QStringLiteral("lblNote"));
    note->setTextFormat(Qt::PlainText);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    note->setPalette(palette);

    // Read straight from the file: the values may have been changed since the program started.
    m_offX = offsetEdit("edtOffX", ReadOffX(DefaultOffX), this);
    m_offY = offsetEdit("edtOffY", ReadOffY(DefaultOffY), this);
    auto *labelX = new QLabel(QStringLiteral("横向偏移"), this);
    labelX->setObjectName(QStringLiteral("lblOffX"));
    labelX->setBuddy(m_offX);
    auto *labelY = new QLabel(QStringLiteral("纵向偏移"), this);
    labelY->setObjectName(QStringLiteral("lblOffY"));
    labelY->setBuddy(m_offY);

    auto *save = new QPushButton(QStringLiteral("保存设置"), this);
    save->setObjectName(QStringLiteral("btnOK"));
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, [this] { RunGuarded([this] { Save(); }); });
    // Escape rejects too, through QDialog.
    auto *close = new QPushButton(QStringLiteral("取消"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *offsets = new QGridLayout;
    offsets->addWidget(labelX, 0, 0);
    offsets->addWidget(m_offX, 0, 1);
    offsets->addWidget(labelY, 1, 0);
    offsets->addWidget(m_offY, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(note);
    layout->addLayout(offsets);
    layout->addSpacing(8);
    layout->addLayout(buttons);
}

void TFrmAdjustPrint::Save()
{
    int offX = 0;
    int offY = 0;
    if (!offsetValue(m_offX, offX) || !offsetValue(m_offY, offY)) {
        ShowWarning(QStringLiteral("偏移量不能为空!"));
        return;
    }
    // Each value is taken into use once it is stored, so the program agrees with the file
    // even when the second write fails.
    WriteOffX(offX);
    AppSettings().OffX = offX;
    WriteOffY(offY);
    AppSettings().OffY = offY;
    ShowInfo(QStringLiteral("保存设置成功！"));
    accept();
}
