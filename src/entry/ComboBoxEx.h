#pragma once

#include <QComboBox>

class QLabel;

// A combo box that opens its list as soon as something is typed, widens the list to its
// longest item (never narrowing it again) and, while the list is open, shows the whole text
// of the highlighted item beside the list, for items cut off in the box.
class TMyComboBox final : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(bool ShowItemHint READ ShowItemHint WRITE SetShowItemHint)
    Q_PROPERTY(int CurSelItem READ CurSelItem)

public:
    explicit TMyComboBox(QWidget *parent = nullptr);

    bool ShowItemHint() const { return m_showItemHint; }
    void SetShowItemHint(bool show);
    // Row highlighted in the open list when it was last shown or moved; -1 until then.
    int CurSelItem() const { return m_curSelItem; }
    // The widest the list has been made so far.
    int DropDownWidth() const { return m_dropDownWidth; }
    // The window with the highlighted item's text, once it has been needed.
    QWidget *ItemHintWindow() const;

    void showPopup() override;
    void hidePopup() override;

signals:
    // The open list was shown or its highlighted row changed; CurSelItem() tells which row.
    void selChange();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void widenList();
    void listDrawn();
    void showItemHint();
    void hideItemHint();
    void openAfterTyping();

    bool m_showItemHint = true;
    int m_curSelItem = -1;
    int m_dropDownWidth;
    QLabel *m_itemHint = nullptr; // child window, so it goes with the box
};
