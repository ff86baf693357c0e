#include "FrameInput.h"

#include "EditEx.h"
#include "InvoicePicture.h"
#include "config/MessageBoxes.h"
#include "declare/PrintFlow.h"
#include "entry/DetailsPrompt.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QValidator>

namespace {

// Takes every text, in capitals.
class UpperCase final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

QLineEdit *lineEdit(QWidget *parent, int maxLength = 0, bool upperCase = false)
{
    auto *edit = new QLineEdit(parent);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    if (upperCase)
        edit->setValidator(new UpperCase(edit));
    edit->setFrame(false);
    return edit;
}

QComboBox *comboBox(QWidget *parent, const QStringList &items = {})
{
    auto *combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->addItems(items);
    combo->setFrame(false);
    return combo;
}

QLabel *staticText(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// The widget key events arrive at: an editable combo box's own line edit.
QObject *keyTarget(QWidget *widget)
{
    auto *combo = qobject_cast<QComboBox *>(widget);
    return combo && combo->lineEdit() ? static_cast<QObject *>(combo->lineEdit()) : widget;
}

} // namespace

template <class Widget>
Widget *TframeInput::place(Widget *widget, const char *name, const QString &hint)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(InvoiceFieldRect(widget->objectName()).adjusted(2, 3, -2, -3));
    if (!hint.isEmpty())
        widget->setToolTip(hint);
    return widget;
}

TframeInput::TframeInput(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frameInput1"));
    setFixedSize((new InvoicePicture(this))->size()); // the frame is the picture's size

    m_edtFPDM = place(new TEditEx(this), "edtFPDM");
    m_edtFPDM->setMaxLength(18);
    m_edtFPHM = place(new TEditEx(this), "edtFPHM");
    m_edtFPHM->setMaxLength(10);
    m_stJDDM = place(staticText(this), "stJDDM");
    m_stJDHM = place(staticText(this), "stJDHM");
    m_dateKPRQ = place(new QDateEdit(QDate::currentDate(), this), "dateKPRQ");
    m_dateKPRQ->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_dateKPRQ->setCalendarPopup(true);
    m_edtGHDW = place(comboBox(this), "edtGHDW", QStringLiteral("购货单位（人）名称"));
    m_edtGHDWID = place(lineEdit(this, 25), "edtGHDWID", QStringLiteral("按购货单位组织机构代码证书或身份证件标明的名称填写"));
    m_cmbCLLX = place(comboBox(this), "cmbCLLX", QStringLiteral("请选择车辆类型"));
    m_cmbCPXH = place(comboBox(this), "cmbCPXH");
    m_edtCD = place(lineEdit(this, 40), "edtCD",
              QStringLiteral("同上。增加项目“生产企业名称”且只录入不输出，数据长度 20字节（必录)可写简称"));
    m_edtHGZHM = place(lineEdit(this, 40, true), "edtHGZHM",
              QStringLiteral("国产车为必录项（录入存盘时校验，车辆识别代码第一位为L的，为国产车，此项必录）"));
    const QString importHint =
        QStringLiteral("进口车为必录项（录入存盘时校验，车辆识别代码第一位不为L的，为进口车，此项必录）");
    m_edtJKZMHM = place(lineEdit(this, 100), "edtJKZMHM", importHint);
    m_edtSJDHM = place(lineEdit(this, 100), "edtSJDHM", importHint);
    m_edtFDJH = place(comboBox(this, {QStringLiteral("无")}), "edtFDJH", QStringLiteral("发动机号码，如没有请选择无"));
    m_edtCJHM = place(lineEdit(this, 17, true), "edtCJHM",
              QStringLiteral("国产车以“合格证书”、进口车以“进口证明书”标明的车辆识别代码为准"));
    m_edtJSHJ = place(lineEdit(this, 13), "edtJSHJ", QStringLiteral("价税合计小写"));
    m_edtJSHJ->setText(QStringLiteral("0.00"));
    m_stJSHJDX = place(staticText(this), "stJSHJDX");
    m_cbxSL = place(comboBox(this, {QStringLiteral("17%"), QStringLiteral("13%"), QStringLiteral("免税")}), "cbxSL",
              QStringLiteral("请选择税率"));
    m_stBHSJ = place(staticText(this), "stBHSJ");
    m_stZZSSE = place(staticText(this), "stZZSSE");
    m_edtDW = place(lineEdit(this), "edtDW", QStringLiteral("指货车核定载重量"));
    m_edtXCRS = place(lineEdit(this), "edtXCRS", QStringLiteral("指轿车和货车限定的乘座人数"));
    m_edtXHDW = place(lineEdit(this), "edtXHDW");
    m_edtSH = place(lineEdit(this), "edtSH");
    m_edtDZ = place(lineEdit(this), "edtDZ");
    m_edtDH = place(lineEdit(this), "edtDH");
    m_edtBank = place(lineEdit(this), "edtBank");
    m_edtZH = place(lineEdit(this), "edtZH");
    m_edtZGSWJG = place(lineEdit(this, 15), "edtZGSWJG");
    m_stKPR = place(staticText(this), "stKPR");

    connect(m_edtFPDM, &QLineEdit::textChanged, m_stJDDM, &QLabel::setText); // edtFPDMChange
    connect(m_edtFPHM, &QLineEdit::textChanged, m_stJDHM, &QLabel::setText); // edtFPHMChange
    connect(m_edtJSHJ, &QLineEdit::textChanged, this, &TframeInput::edtJSHJChange);
    connect(m_edtJSHJ, &QLineEdit::editingFinished, this, &TframeInput::edtJSHJExit);

    m_enterOrder = {m_edtGHDW, m_edtGHDWID, m_cmbCLLX, m_cmbCPXH, m_edtCD, m_edtHGZHM, m_edtJKZMHM,
                    m_edtSJDHM, m_edtFDJH, m_edtCJHM, m_edtJSHJ, m_cbxSL, m_edtDW, m_edtXCRS};
    for (QWidget *widget : m_enterOrder)
        keyTarget(widget)->installEventFilter(this);
    UpdateAmounts();
}


bool TframeInput::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // ConfirmInput and cbxSLKeyPress: only what an amount or a rate is made of.
        const QString typed = key->text();
        if (typed.size() == 1 && typed[0].isPrint()) {
            if (watched == m_edtJSHJ && !AmountKeyAccepted(m_edtJSHJ->text(), typed[0]))
                return true;
            if (watched == keyTarget(m_cbxSL) && !RateKeyAccepted(m_cbxSL->currentText(), typed[0]))
                return true;
        }
        // edtKeyDown: Enter moves on; in the seats it prints.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            for (std::size_t i = 0; i < m_enterOrder.size(); ++i) {
                if (watched != keyTarget(m_enterOrder[i]))
                    continue;
                if (i + 1 == m_enterOrder.size()) {
                    emit PrintRequested();
                } else if (m_enterOrder[i + 1]->isEnabled()) {
                    m_enterOrder[i + 1]->setFocus(Qt::TabFocusReason);
                }
                return true;
            }
        }
    } else if (event->type() == QEvent::FocusOut && watched == keyTarget(m_cbxSL)) {
        cbxSLExit();
    }
    return QWidget::eventFilter(watched, event);
}

void TframeInput::edtJSHJChange()
{
    if (m_edtJSHJ->text().isEmpty()) {
        m_edtJSHJ->setText(QStringLiteral("0.00")); // comes back here once more
        return;
    }
    UpdateAmounts();
}

void TframeInput::edtJSHJExit()
{
    const QString formatted = FormattedTotal(m_edtJSHJ->text());
    if (formatted != m_edtJSHJ->text())
        m_edtJSHJ->setText(formatted);
}

bool TframeInput::cbxSLExit()
{
    if (m_checkingRate)
        return false;
    const std::optional<QString> rate = NormalisedRate(m_cbxSL->currentText());
    if (!rate) {
        m_checkingRate = true; // the box takes the focus away once more
        ShowWarning(QStringLiteral("税率不正确，请参照原有税率格式重新输入或选择！"));
        m_checkingRate = false;
        m_cbxSL->setFocus();
        return false;
    }
    if (*rate != m_cbxSL->currentText())
        m_cbxSL->setCurrentText(*rate);
    UpdateAmounts();
    return true;
}

void TframeInput::UpdateAmounts()
{
    if (m_cbxSL->currentText().isEmpty())
        m_cbxSL->setCurrentText(QStringLiteral("17%"));
    const InvoiceAmounts amounts = ComputeAmounts(m_edtJSHJ->text(), m_cbxSL->currentText());
    m_stBHSJ->setText(amounts.priceWithoutTax);
    m_stZZSSE->setText(amounts.vat);
    m_stJSHJDX->setText(amounts.capitals);
}

void TframeInput::ClearInput()
{
    m_edtFDJH->setCurrentIndex(0); // 无
    m_remembered.telephone.clear();
    m_remembered.postcode.clear();
    m_remembered.address.clear();
    for (QLineEdit *edit : {static_cast<QLineEdit *>(m_edtFPHM), static_cast<QLineEdit *>(m_edtFPDM), m_edtSH, m_edtZH,
                            m_edtZGSWJG, m_edtGHDWID, m_edtHGZHM, m_edtJKZMHM, m_edtSJDHM, m_edtCJHM, m_edtDW, m_edtXCRS})
        edit->clear();
    m_edtGHDW->setCurrentText(QString());
    m_edtJSHJ->setText(QStringLiteral("0.00"));
}

ManualInvoiceFields TframeInput::Fields() const
{
    ManualInvoiceFields f;
    f.invoiceCode = m_edtFPDM->text();
    f.invoiceNumber = m_edtFPHM->text();
    f.invoiceDate = m_dateKPRQ->date();
    f.buyer = m_edtGHDW->currentText();
    f.buyerId = m_edtGHDWID->text();
    f.vehicleType = m_cmbCLLX->currentText();
    f.model = m_cmbCPXH->currentText();
    f.origin = m_edtCD->text();
    f.conformityNumber = m_edtHGZHM->text();
    f.importNumber = m_edtJKZMHM->text();
    f.inspectionNumber = m_edtSJDHM->text();
    f.engineNumber = m_edtFDJH->currentText();
    f.chassisNumber = m_edtCJHM->text();
    f.total = m_edtJSHJ->text();
    f.rate = m_cbxSL->currentText();
    f.tonnage = m_edtDW->text();
    f.seats = m_edtXCRS->text();
    f.sellerName = m_edtXHDW->text();
    f.sellerTaxNo = m_edtSH->text();
    f.sellerAddress = m_edtDZ->text();
    f.sellerTelephone = m_edtDH->text();
    f.sellerBank = m_edtBank->text();
    f.sellerAccount = m_edtZH->text();
    f.taxOffice = m_edtZGSWJG->text();
    return f;
}

QWidget *TframeInput::fieldWidget(ManualField field) const
{
    switch (field) {
    case ManualField::InvoiceCode:
        return m_edtFPDM;
    case ManualField::InvoiceNumber:
        return m_edtFPHM;
    case ManualField::Buyer:
        return m_edtGHDW;
    case ManualField::BuyerId:
        return m_edtGHDWID;
    case ManualField::VehicleType:
        return m_cmbCLLX;
    case ManualField::Model:
        return m_cmbCPXH;
    case ManualField::Origin:
        return m_edtCD;
    case ManualField::Chassis:
        return m_edtCJHM;
    case ManualField::Engine:
        return m_edtFDJH;
    case ManualField::Total:
        return m_edtJSHJ;
    }
    return nullptr;
}

bool TframeInput::CheckInput()
{
    const std::optional<ManualCheckFailure> failure = CheckManualInvoice(Fields());
    if (!failure)
        return true;
    ShowWarning(failure->message);
    QWidget *widget = fieldWidget(failure->field);
    if (widget && widget->isEnabled())
        widget->setFocus(Qt::OtherFocusReason);
    return false;
}

std::optional<QStringList> TframeInput::IssueInvoice(DetailsPrompt &prompt, PrintFlow &flow)
{
    // Stored under the typed invoice, so that a later export or reprint finds them. The dialog
    // keeps its own default document name.
    DetailsRequest request{m_edtFPDM->text().trimmed(), m_edtFPHM->text().trimmed(), m_remembered};
    request.details.documentType.clear();
    const std::optional<BuyerDetails> answer = prompt.Ask(request);
    if (!answer)
        return std::nullopt;
    m_remembered = {answer->documentType.trimmed(), answer->telephone.trimmed(), answer->postcode.trimmed(),
                    answer->address.trimmed(), answer->displacement.trimmed()};
    if (!flow.ChooseDeclarationPrinter())
        return std::nullopt; // no printer (said so) or the choice cancelled
    if (m_pauseMs > 0) {
        // The window stays responsive meanwhile.
        QEventLoop loop;
        QTimer::singleShot(m_pauseMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    ShowInfo(QStringLiteral("请将A4纸张装在打印机上，\n单击确定进行打印车辆基本信息表！！！"));
    return ManualInvoiceRecord(Fields(), m_remembered);
}
