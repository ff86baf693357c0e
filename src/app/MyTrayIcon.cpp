#include "MyTrayIcon.h"

#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QWidget>

TMyTrayIcon::TMyTrayIcon(QWidget *owner, bool trayAvailable)
    : QObject(owner)
    , m_owner(owner)
    , m_trayAvailable(trayAvailable)
{
    connect(&m_tray, &QSystemTrayIcon::activated, this, &TMyTrayIcon::HandleActivation);
    if (owner)
        owner->installEventFilter(this);
}

TMyTrayIcon::~TMyTrayIcon()
{
    HideIcon();
}

void TMyTrayIcon::SetIcon(const QIcon &icon)
{
    m_icon = icon;
    ModifyIcon();
}

void TMyTrayIcon::SetIconVisible(bool visible)
{
    if (visible)
        ShowIcon();
    else
        HideIcon();
}

void TMyTrayIcon::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    // The notification area opens the attached menu by itself; detach it while disabled.
    m_tray.setContextMenu(enabled ? m_menu.data() : nullptr);
}

void TMyTrayIcon::SetHint(const QString &hint)
{
    m_hint = hint;
    ModifyIcon();
}

void TMyTrayIcon::SetShowHint(bool show)
{
    m_showHint = show;
    ModifyIcon();
}

void TMyTrayIcon::SetPopupMenu(QMenu *menu)
{
    m_menu = menu;
    m_tray.setContextMenu(m_enabled ? menu : nullptr);
}

QString TMyTrayIcon::ToolTip() const
{
    return m_showHint ? m_hint.left(MaxHintLength) : QString();
}

void TMyTrayIcon::ShowIcon()
{
    m_iconVisible = true;
    if (m_trayAvailable && !m_icon.isNull() && QSystemTrayIcon::isSystemTrayAvailable())
        m_tray.show();
}

void TMyTrayIcon::HideIcon()
{
    m_iconVisible = false;
    m_tray.hide();
}

void TMyTrayIcon::ModifyIcon()
{
    m_tray.setIcon(m_icon);
    m_tray.setToolTip(ToolTip());
    if (m_iconVisible)
        ShowIcon();
}

void TMyTrayIcon::RestoreMainWindow()
{
    if (!m_owner)
        return;
    m_owner->setWindowState(m_owner->windowState() & ~Qt::WindowMinimized);
    m_owner->show();
    m_owner->raise();
    m_owner->activateWindow();
}

void TMyTrayIcon::HideMainWindow()
{
    if (m_owner)
        m_owner->hide();
}

void TMyTrayIcon::PopupTrayMenu()
{
    if (!m_menu)
        return;
    if (m_owner)
        m_owner->activateWindow();
    m_menu->popup(QCursor::pos());
}

void TMyTrayIcon::HandleActivation(QSystemTrayIcon::ActivationReason reason)
{
    if (!m_enabled)
        return;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        emit OnMouseDown(Qt::LeftButton);
        if (m_leftPopup)
            PopupTrayMenu();
        emit OnClick();
        emit OnMouseUp(Qt::LeftButton);
        break;
    case QSystemTrayIcon::DoubleClick:
        emit OnDblClick();
        // Only a menu item marked as default answers a double click.
        if (m_menu && !m_leftPopup && m_menu->defaultAction())
            m_menu->defaultAction()->trigger();
        break;
    case QSystemTrayIcon::Context:
        emit OnMouseDown(Qt::RightButton);
        emit OnMouseUp(Qt::RightButton);
        break;
    case QSystemTrayIcon::MiddleClick:
        emit OnMouseDown(Qt::MiddleButton);
        emit OnMouseUp(Qt::MiddleButton);
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

bool TMyTrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_owner && event->type() == QEvent::WindowStateChange && m_minimizeToTray
        && m_trayAvailable && m_owner->isMinimized()) {
        HideMainWindow();
        ShowIcon();
    }
    return QObject::eventFilter(watched, event);
}
