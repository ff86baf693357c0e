#pragma once

// Drives modal dialogs from a test: what runs while exec() waits, and the controls by name.

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Text entered into the widget that has the focus the way a person enters it without typing
// key by key: pasted with Ctrl+V, or committed by an input method.
inline void enterIntoFocus(const QString &text, bool paste)
{
    if (paste) {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(QApplication::focusWidget(), &commit);
    }
}

// Runs action on the modal box or dialog once it is up.
inline void whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, [action] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        action(QApplication::activeModalWidget());
    });
}

template <class T = QWidget>
T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

inline void click(QWidget *parent, const char *name)
{
    child<QAbstractButton>(parent, name)->click();
}

// The key a keyboard reports with the character: its own for ASCII, none for 汉 and the
// like. QTest::keyClicks cannot type those: it sends characters as Latin-1.
inline Qt::Key keyFor(QChar c)
{
    return c.unicode() < 0x80 ? QTest::asciiToKey(char(c.unicode())) : Qt::Key_unknown;
}

// Closes the dialog with its cancel button, or with Escape when escape is true.
inline void cancel(QWidget *dialog, const char *button, bool escape)
{
    if (escape)
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        click(dialog, button);
}
