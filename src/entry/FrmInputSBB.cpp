#include "FrmInputSBB.h"

#include <algorithm>

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>

#include "config/ErrorDisplay.h"
#include "config/GbkText.h"
#include "config/MessageBoxes.h"
#include "config/Util.h"
#include "db/BuyerDetails.h"
#include "entry/DigitValidator.h"

namespace {

// Drops characters in front of end until at least excess bytes are gone; returns where the
// dropped run starts. A surrogate pair goes as one character.
qsizetype dropBefore(QString &text, qsizetype end, qsizetype excess)
{
    qsizetype start = end;
    qsizetype dropped = 0;
    while (start > 0 && dropped < excess) {
        const bool pair = start >= 2 && text.at(start - 1).isLowSurrogate() && text.at(start - 2).isHighSurrogate();
        const qsizetype width = pair ? 2 : 1;
        dropped += Gbk::byteLength(text.mid(start - width, width));
        start -= width;
    }
    text.remove(start, end - start);
    return start;
}

// Keeps a field within a number of GBK bytes, as the database column holds them. What was
// typed or pasted last sits just before the caret, so that is what gets cut: the field keeps
// as much of a paste as fits and refuses a key that no longer fits.
class GbkByteLimit final : public QValidator
{
public:
    GbkByteLimit(qsizetype maxBytes, QObject *parent)
        : QValidator(parent)
        , m_maxBytes(maxBytes)
    {
    }

    State validate(QString &input, int &pos) const override
    {
        qsizetype excess = Gbk::byteLength(input) - m_maxBytes;
        if (excess <= 0)
            return Acceptable;
        const qsizetype caret = std::clamp<qsizetype>(pos, 0, input.size());
        qsizetype start = dropBefore(input, caret, excess);
        excess = Gbk::byteLength(input) - m_maxBytes;
        if (excess > 0) // nothing left before the caret: cut the end
            dropBefore(input, input.size(), excess);
        pos = int(qMin(start, input.size()));
        return Acceptable;
    }

private:
    qsizetype m_maxBytes;
};

QLineEdit *lineEdit(QWidget *parent, const char *name, qsizetype maxBytes)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    if (maxBytes > 0)
        edit->setValidator(new GbkByteLimit(maxBytes, edit));
    return edit;
}

bool isEnter(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// The postcode takes digits only from the keyboard. Control keys (Backspace) carry no printable
// text and shortcuts (Ctrl+V) are no typed character, so both pass; AltGr comes as Ctrl+Alt.
bool refusedInPostcode(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if ((modifiers & Qt::MetaModifier) || (modifiers & (Qt::ControlModifier | Qt::AltModifier)) == Qt::ControlModifier)
        return false;
    const QString text = event->text();
    for (const QChar c : text) {
        if (c.isPrint() && (c < QLatin1Char('0') || c > QLatin1Char('9')))
            return true;
    }
    return false;
}

} // namespace

TfrmInputSBB::TfrmInputSBB(TJdcConnection &connection, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_connection(connection)
{
    setObjectName(QStringLiteral("frmInputSBB"));
    setWindowTitle(QStringLiteral("请输入申报表信息"));
    setFont(QFont(QStringLiteral("宋体"), 9));

    m_cmbZJMC = new QComboBox(this);
    m_cmbZJMC->setObjectName(QStringLiteral("cmbZJMC"));
    m_cmbZJMC->addItems({QStringLiteral("身份证"), QStringLiteral("组织机构代码证书"), QStringLiteral("其它证件")});
    m_cmbZJMC->setCurrentIndex(0);
    m_edtDZ = lineEdit(this, "edtDZ", 100);
    m_edtDH = lineEdit(this, "edtDH", 50);
    m_edtYB = lineEdit(this, "edtYB", 6);
    // Digits first, whether typed, pasted or committed by an input method; then the 6 bytes.
    m_edtYB->setValidator(new TDigitValidator(TDigitValidator::Postcode, m_edtYB, m_edtYB->validator()));
    m_edtPQL = lineEdit(this, "edtPQL", 0);
    m_edtDZ->setMinimumWidth(260);

    auto *fields = new QGridLayout;
    const struct {
        const char *name;
        QString caption;
        QWidget *control;
    } rows[] = {
        {"lblZJMC", QStringLiteral("证件名称"), m_cmbZJMC}, {"lblDZ", QStringLiteral("联系地址"), m_edtDZ},
        {"lblDH", QStringLiteral("联系电话"), m_edtDH},     {"lblYB", QStringLiteral("邮政编码"), m_edtYB},
        {"lblPQL", QStringLiteral("排 气 量"), m_edtPQL},
    };
    int row = 0;
    for (const auto &entry : rows) {
        auto *label = new QLabel(entry.caption, this);
        label->setObjectName(QLatin1String(entry.name));
        fields->addWidget(label, row, 0);
        fields->addWidget(entry.control, row, 1);
        ++row;
        // The displacement is kept for the caller, who fills and reads it; the operator never sees it.
        if (entry.control == m_edtPQL) {
            label->hide();
            m_edtPQL->hide();
        }
    }

    m_btnOK = new QPushButton(QStringLiteral("确定"), this);
    m_btnOK->setObjectName(QStringLiteral("btnOK"));
    m_btnCancel = new QPushButton(QStringLiteral("取消"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // Enter belongs to the fields; no button may take it as the dialog's default.
    m_btnOK->setAutoDefault(false);
    m_btnCancel->setAutoDefault(false);
    connect(m_btnOK, &QPushButton::clicked, this, &TfrmInputSBB::OkClicked);
    connect(m_btnCancel, &QPushButton::clicked, this, &TfrmInputSBB::CancelClicked);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnOK);
    buttons->addWidget(m_btnCancel);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_edtDZ, m_edtDH);
    setTabOrder(m_edtDH, m_edtYB);
    setTabOrder(m_edtYB, m_edtPQL);
    setTabOrder(m_edtPQL, m_cmbZJMC);
    setTabOrder(m_cmbZJMC, m_btnOK);
    setTabOrder(m_btnOK, m_btnCancel);
    const QList<QWidget *> keyed{m_cmbZJMC, m_edtDZ, m_edtDH, m_edtYB, m_edtPQL};
    for (QWidget *control : keyed)
        control->installEventFilter(this);
    m_edtDZ->setFocus();
}

BuyerDetails TfrmInputSBB::Details() const
{
    return {m_cmbZJMC->currentText(), m_edtDH->text(), m_edtYB->text(), m_edtDZ->text(), m_edtPQL->text()};
}

void TfrmInputSBB::SaveBuyerDetails()
{
    const BuyerDetails details = Details();
    const QString &documentType = details.documentType;
    const QString &postcode = details.postcode;
    const struct {
        bool failed;
        QString warning;
        QWidget *control;
    } checks[] = {
        {documentType.trimmed().isEmpty(), QStringLiteral("证件名称不能为空！"), m_cmbZJMC},
        {details.address.trimmed().isEmpty(), QStringLiteral("地址不能为空！"), m_edtDZ},
        {details.telephone.trimmed().isEmpty(), QStringLiteral("联系电话不能为空！"), m_edtDH},
        {postcode.trimmed().isEmpty(), QStringLiteral("邮政编码不能为空！"), m_edtYB},
        {Gbk::byteLength(postcode.trimmed()) != 6, QStringLiteral("邮政编码只能是6位！"), m_edtYB},
    };
    for (const auto &check : checks) {
        if (check.failed) {
            ShowWarning(check.warning);
            check.control->setFocus(Qt::OtherFocusReason);
            return;
        }
    }

    // Stored as typed: the declaration prints what the operator entered, blanks and all.
    StoreBuyerDetails(m_connection, m_invoiceNumber, m_invoiceCode, details);
    m_closeAllowed = true;
}

void TfrmInputSBB::done(int result)
{
    // The window's close request and any accept() or reject() from outside end here too:
    // only OK with stored details and Cancel open the way.
    if (m_closeAllowed)
        QDialog::done(result);
}

void TfrmInputSBB::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfrmInputSBB::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Cancel)) {
        m_btnCancel->click();
        return;
    }
    if (isEnter(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrmInputSBB::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (isEnter(key)) {
        EnterPressed(watched);
        return true;
    }
    if (watched == m_edtYB && refusedInPostcode(key))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TfrmInputSBB::FormShow()
{
    // The flows open it while the main window may sit on top; it must not hide behind it.
    TUtil::SetTopMost(windowHandle());
}

void TfrmInputSBB::OkClicked()
{
    RunGuarded([this] { SaveBuyerDetails(); });
    if (m_closeAllowed)
        done(QDialog::Accepted);
}

void TfrmInputSBB::CancelClicked()
{
    m_closeAllowed = true;
    done(QDialog::Rejected);
}

void TfrmInputSBB::EnterPressed(QObject *watched)
{
    if (watched == m_edtDZ)
        m_edtDH->setFocus(Qt::TabFocusReason);
    else if (watched == m_edtDH)
        m_edtYB->setFocus(Qt::TabFocusReason);
    else if (watched == m_edtYB || watched == m_edtPQL)
        m_btnOK->click();
    // In the document list Enter does nothing at all.
}
