#include "FrmSBType.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "config/ModalDialogs.h"
#include "config/ErrorDisplay.h"
#include "config/Settings.h"

TfrmSBType::TfrmSBType(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , m_types(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("frmSBType"));
    setWindowTitle(QStringLiteral("设置申报方式"));

    auto *group = new QGroupBox(QStringLiteral("设置申报方式"), this);
    group->setObjectName(QStringLiteral("rgType"));
    auto *items = new QVBoxLayout(group);
    const QString texts[] = {QStringLiteral("二维条码申报"), QStringLiteral("网上申报")};
    for (int index = 0; index < 2; ++index) {
        auto *item = new QRadioButton(texts[index], group);
        item->setObjectName(QStringLiteral("rgTypeItem%1").arg(index));
        m_types->addButton(item, index);
        items->addWidget(item);
    }
    // Another stored mode selects nothing.
    if (QAbstractButton *current = m_types->button(AppSettings().SBType - 1))
        current->setChecked(true);

    QHBoxLayout *buttons = OkCancelRow(this, QStringLiteral("BitBtn1"), QStringLiteral("BitBtn2"), [this] { BitBtn1Click(); });
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(group);
    layout->addLayout(buttons);
}

int TfrmSBType::SelectedMode() const
{
    // checkedId is -1 without a selection.
    return m_types->checkedId() + 1;
}

void TfrmSBType::BitBtn1Click()
{
    // Only the file changes: the running program stays in the mode it was arranged for
    // until it ends.
    WriteSBType(SelectedMode());
    accept();
}
