#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

class QWidget;

// The program's icon in the notification area. It carries the tray menu, hides the main window
// there when it is minimised and opens it again on request. Mouse actions become the events
// below; with Enabled off they are ignored.
//
// On a desktop without a notification area nothing can be hidden there: the owner is then
// never hidden by minimising, and callers show it at start instead (see trayAvailable()).
class TMyTrayIcon final : public QObject
{
    Q_OBJECT

public:
    // owner: the main window. trayAvailable: whether the desktop has a notification area.
    TMyTrayIcon(QWidget *owner, bool trayAvailable);
    ~TMyTrayIcon() override;

    static constexpr int MaxHintLength = 127;

    QIcon Icon() const { return m_icon; }
    void SetIcon(const QIcon &icon);
    bool IconVisible() const { return m_iconVisible; }
    void SetIconVisible(bool visible);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    QString Hint() const { return m_hint; }
    void SetHint(const QString &hint);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);
    QMenu *PopupMenu() const { return m_menu; }
    void SetPopupMenu(QMenu *menu);
    bool LeftPopup() const { return m_leftPopup; }
    void SetLeftPopup(bool left) { m_leftPopup = left; }
    bool StartMinimized() const { return m_startMinimized; }
    void SetStartMinimized(bool hidden) { m_startMinimized = hidden; }
    bool MinimizeToTray() const { return m_minimizeToTray; }
    void SetMinimizeToTray(bool hide) { m_minimizeToTray = hide; }

    bool trayAvailable() const { return m_trayAvailable; }
    // The tooltip actually shown: the hint's first 127 characters when it is on, else empty.
    QString ToolTip() const;

    void ShowIcon();
    void HideIcon();
    void ModifyIcon();
    void RestoreMainWindow();
    void HideMainWindow();
    void PopupTrayMenu();

    // Whether the owner should stay hidden once it is created.
    bool KeepOwnerHiddenAtStart() const { return m_startMinimized && m_trayAvailable; }

    // A mouse action on the icon, as the notification area reports it.
    void HandleActivation(QSystemTrayIcon::ActivationReason reason);

signals:
    void OnClick();
    void OnDblClick();
    void OnMouseDown(Qt::MouseButton button);
    void OnMouseUp(Qt::MouseButton button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_owner;
    QSystemTrayIcon m_tray;
    QIcon m_icon;
    QPointer<QMenu> m_menu;
    QString m_hint;
    bool m_trayAvailable;
    bool m_iconVisible = true;
    bool m_enabled = true;
    bool m_showHint = false;
    bool m_leftPopup = false;
    bool m_startMinimized = false;
    bool m_minimizeToTray = false;
};
