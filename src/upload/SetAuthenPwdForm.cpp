#include "SetAuthenPwdForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QVBoxLayout>

#include "config/ModalDialogs.h"
#include "config/ErrorDisplay.h"
#include "config/GbkText.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"
#include "config/Util.h"
#include "upload/MyIdHttp.h"
#include "upload/SetNetworkForm.h"

namespace {

QLineEdit *passwordEdit(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    // "*" rather than the style's dot, as the clerk knows the box from the invoicing program.
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    LimitTypedBytes(*edit, TSetAuthenPwdForm::MaxBytes);
    return edit;
}

QLabel *label(const char *name, const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setBuddy(buddy);
    return result;
}

} // namespace

TSetAuthenPwdForm::TSetAuthenPwdForm(PasswordExchange exchange, QWidget *parent)
    : QDialog(parent)
    , m_exchange(std::move(exchange))
{
    setObjectName(QStringLiteral("SetAuthenPwdForm"));
    setWindowTitle(QStringLiteral("数据上传密码设置"));

    auto *frame = new QGroupBox(QStringLiteral("密码修改"), this);
    frame->setObjectName(QStringLiteral("GroupBox1"));
    auto *image = new QLabel(frame);
    image->setObjectName(QStringLiteral("Image1"));
    const QIcon fallback = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    image->setPixmap(QIcon::fromTheme(QStringLiteral("dialog-password"), fallback).pixmap(32, 32));
    m_oldPwd = passwordEdit("edtOldPwd", frame);
    m_newPwd = passwordEdit("edtNewPwd", frame);
    m_newPwd2 = passwordEdit("edtNewPwd2", frame);
    // The password in use, so that the clerk needs to type only the new one.
    SetWholeText(*m_oldPwd, AppSettings().AuthenPwd);
    auto *grid = new QGridLayout(frame);
    grid->addWidget(image, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(label("Label1", QStringLiteral("当前密码:"), m_oldPwd, frame), 0, 1);
    grid->addWidget(m_oldPwd, 0, 2);
    grid->addWidget(label("Label2", QStringLiteral("新密码:"), m_newPwd, frame), 1, 1);
    grid->addWidget(m_newPwd, 1, 2);
    grid->addWidget(label("Label3", QStringLiteral("确认新密码:"), m_newPwd2, frame), 2, 1);
    grid->addWidget(m_newPwd2, 2, 2);

    QHBoxLayout *buttons = OkCancelRow(this, QStringLiteral("btnOk"), QStringLiteral("btnCancel"), [this] { btnOkClick(); });
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    m_newPwd->setFocus();
}

void TSetAuthenPwdForm::btnOkClick()
{
    const QString newPwd = m_newPwd->text();
    if (Gbk::byteLength(newPwd) < MinBytes) {
        ShowWarning(QStringLiteral("新密码必须大于等于6位！"));
        m_newPwd->setFocus();
        return;
    }
    if (Gbk::encode(newPwd) != Gbk::encode(m_newPwd2->text())) {
        ShowWarning(QStringLiteral("两次输入的新密码不一致！"));
        m_newPwd->setFocus();
        return;
    }
    // The password is stored as GBK and read back trimmed: one the server took otherwise would
    // never be sent again, and every upload after the next start would be refused.
    if (TUtil::TrimControls(newPwd).size() != newPwd.size()) {
        ShowWarning(QStringLiteral("新密码首尾不能是空格或控制字符！"));
        m_newPwd->setFocus();
        return;
    }
    if (!Gbk::holds(newPwd)) {
        ShowWarning(QStringLiteral("新密码不能含有GBK编码以外的字符！"));
        m_newPwd->setFocus();
        return;
    }
    const SettingsValues &values = AppSettings();
    // No address check first: a bad address fails as the network failure the clerk then reads.
    const PasswordChange change = ChangeAuthenPwd(
        m_exchange, values.AuthenServer + QLatin1Char('/') + values.EdtPassAction,
        {QStringLiteral("NSRSBH=") + Seller().SellerTaxNo, QStringLiteral("PASSWORD=") + m_oldPwd->text(),
         QStringLiteral("NEW_PASSWORD=") + newPwd},
        newPwd);
    ShowWarning(change.message);
    if (change.accepted)
        accept();
}
