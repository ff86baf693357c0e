#include "FrmMKNormalInv.h"

#include "FrameInput.h"
#include "config/MessageBoxes.h"
#include "declare/PrintFlow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QResizeEvent>

namespace {

constexpr int ButtonsHeight = 41; // below the invoice

} // namespace

TfrmMKNormalInv::TfrmMKNormalInv(PrintFlow &flow, DetailsPrompt &prompt, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_flow(flow)
    , m_prompt(prompt)
{
    setObjectName(QStringLiteral("frmMKNormalInv"));
    setWindowTitle(QStringLiteral("单车销售发票开具"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_frame = new TframeInput(m_panel);
    m_frame->move(0, 0);
    m_panel->setFixedSize(m_frame->width(), m_frame->height() + ButtonsHeight);

    auto *buttons = new QWidget(m_panel);
    buttons->setGeometry(0, m_frame->height(), m_frame->width(), ButtonsHeight);
    auto *row = new QHBoxLayout(buttons);
    row->setContentsMargins(8, 4, 8, 4);
    row->addStretch();
    const auto button = [&](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, buttons);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        row->addWidget(b);
        return b;
    };
    QPushButton *clear = button("btnClear", QStringLiteral("&C清空发票"));
    QPushButton *print = button("btnPrt", QStringLiteral("&S打印申报表"));
    QPushButton *close = button("btnClose", QStringLiteral("&Q放弃退出"));
    connect(clear, &QPushButton::clicked, m_frame, &TframeInput::ClearInput);
    connect(print, &QPushButton::clicked, this, &TfrmMKNormalInv::btnPrtClick);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_frame, &TframeInput::PrintRequested, print, &QPushButton::click); // frameInput1edtXCRSKeyDown

    setMinimumSize(m_panel->size());
    resize(m_panel->size());
}

void TfrmMKNormalInv::showEvent(QShowEvent *event)
{
    m_frame->ClearInput(); // FormShow
    QDialog::showEvent(event);
}

void TfrmMKNormalInv::resizeEvent(QResizeEvent *event)
{
    // FormResize: the panel stays in the middle.
    m_panel->move((event->size().width() - m_panel->width()) / 2, (event->size().height() - m_panel->height()) / 2);
    QDialog::resizeEvent(event);
}

void TfrmMKNormalInv::btnPrtClick()
{
    if (!m_frame->CheckInput())
        return;
    const std::optional<QStringList> record = m_frame->IssueInvoice(m_prompt, m_flow);
    if (!record)
        return;
    if (!m_flow.PrintForm(*record))
        return; // the flow said why; the entries stay as typed
    if (AskYesNo(QStringLiteral("开票成功，是否继续开票？？？")))
        m_frame->ClearInput();
    else
        accept();
}
