#include "DialogDriver.h"
#include "entry/ComboBoxEx.h"
#include "entry/EditEx.h"
#include "entry/NumberEdit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

namespace {

// What typing did: how many keys brought the hint up, and whether a hint outlived the
// release of its key.
struct Typing {
    int hints = 0;
    bool hintOutlivedRelease = false;
};

// Presses and releases a key per character, with the character as the key's text, as a
// keyboard delivers it.
Typing typeInto(TNumberEdit &edit, const QString &keys)
{
    Typing typing;
    for (const QChar c : keys) {
        const Qt::Key key = keyFor(c);
        QTest::sendKeyEvent(QTest::Press, &edit, key, QString(c), Qt::NoModifier);
        if (edit.HintWindow() && edit.HintWindow()->isVisible())
            ++typing.hints;
        QTest::sendKeyEvent(QTest::Release, &edit, key, QString(c), Qt::NoModifier);
        typing.hintOutlivedRelease |= edit.HintWindow() != nullptr;
    }
    return typing;
}

const QString LongItem = QStringLiteral("北京市朝阳区汽车销售服务有限公司第一分公司");

// A combo box of the items, 120 pixels wide, in the window, shown; nullptr if it never shows.
TMyComboBox *comboIn(QWidget &window, const QStringList &items)
{
    auto *combo = new TMyComboBox(&window);
    combo->setGeometry(10, 10, 120, 24);
    combo->addItems(items);
    window.show();
    return QTest::qWaitForWindowExposed(&window) ? combo : nullptr;
}

} // namespace

class TestEditControls : public QObject
{
    Q_OBJECT

private slots:
    void numberEditStartsEmptyInSongTi()
    {
        TNumberEdit edit;
        QCOMPARE(edit.font().family(), QStringLiteral("宋体"));
        QCOMPARE(edit.font().pointSize(), 10);
        QVERIFY(edit.text().isEmpty());
        QCOMPARE(edit.InputType(), tInt);
        QVERIFY(!edit.isModified());
        QVERIFY(!edit.HintWindow());
    }

    void typing_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("hints");
        QTest::newRow("minus into empty") << int(tInt) << "" << 0 << "-12" << "-12" << 0;
        QTest::newRow("minus after a digit") << int(tInt) << "" << 0 << "5-" << "5" << 1;
        QTest::newRow("minus at the start") << int(tInt) << "12" << 0 << "-" << "-12" << 0;
        QTest::newRow("minus inside") << int(tInt) << "12" << 1 << "-" << "12" << 1;
        QTest::newRow("point in whole number") << int(tInt) << "" << 0 << "3.5" << "35" << 1;
        QTest::newRow("point in decimal") << int(tFloat) << "" << 0 << "3.5" << "3.5" << 0;
        QTest::newRow("second point") << int(tFloat) << "" << 0 << "3.5.1" << "3.51" << 1;
        QTest::newRow("blank") << int(tInt) << "" << 0 << "1 2" << "1 2" << 0;
        QTest::newRow("letters and signs") << int(tFloat) << "" << 0 << "a1B+~" << "1" << 4;
        QTest::newRow("backspace") << int(tInt) << "" << 0 << "12\b3" << "13" << 0;
        QTest::newRow("chinese") << int(tInt) << "" << 0 << "汉" << "汉" << 0;
    }

    void typing()
    {
        QFETCH(int, type);
        QFETCH(QString, initial);
        QFETCH(int, caret);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QFETCH(int, hints);
        TNumberEdit edit;
        edit.SetInputType(TNumberEditType(type));
        edit.setText(initial);
        edit.setCursorPosition(caret);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        const Typing typing = typeInto(edit, keys);
        QCOMPARE(edit.text(), expected);
        QCOMPARE(typing.hints, hints);
        QVERIFY(!typing.hintOutlivedRelease);
    }

    void hintSitsUnderTheFieldUntilTheKeyIsReleased()
    {
        QWidget window;
        window.move(40, 50);
        auto *edit = new TNumberEdit(&window);
        edit->setGeometry(12, 30, 120, 22);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::keyPress(edit, 'x');
        QPointer<QWidget> hint = edit->HintWindow();
        QVERIFY(hint && hint->isVisible());
        QCOMPARE(edit->findChild<QLabel *>(QStringLiteral("NumberEditHint")), hint.data());
        QCOMPARE(qobject_cast<QLabel *>(hint)->text(), QStringLiteral("只能输入数字！"));
        QCOMPARE(hint->windowType(), Qt::ToolTip);
        QCOMPARE(hint->backgroundRole(), QPalette::ToolTipBase);
        const QPoint origin = edit->mapToGlobal(QPoint(0, 0));
        QCOMPARE(hint->geometry(), QRect(origin.x() + 5, origin.y() + 20, 112, 16));

        QTest::keyRelease(edit, 'x');
        QVERIFY(hint.isNull());
        QVERIFY(!edit->HintWindow());

        QTest::keyPress(edit, 'x');
        hint = edit->HintWindow();
        QVERIFY(hint);
        delete edit;
        QVERIFY(hint.isNull());
    }

    // Pasted text and input-method commits keep to the rule of the typed keys: what a key would
    // not type is dropped, silently, and the caret stays behind what came in.
    void pasteAndInputMethodKeepToTheRule_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("caretAfter");
        QTest::newRow("pasted letters") << int(tInt) << true << "" << 0 << "12ab34" << "1234" << 4;
        QTest::newRow("paste into the middle") << int(tInt) << true << "90" << 1 << "1a2" << "9120" << 3;
        QTest::newRow("pasted minus at the start") << int(tInt) << true << "" << 0 << "x-1" << "-1" << 2;
        QTest::newRow("pasted minus after a blank") << int(tInt) << true << "" << 0 << " -2 " << " -2 " << 4;
        QTest::newRow("pasted minus after a digit") << int(tInt) << true << "5" << 1 << "-3" << "53" << 2;
        QTest::newRow("pasted point in whole number") << int(tInt) << true << "" << 0 << "3.5" << "35" << 2;
        QTest::newRow("pasted second point") << int(tFloat) << true << "3.5" << 3 << ".1" << "3.51" << 4;
        QTest::newRow("input method, Chinese passes") << int(tInt) << false << "" << 0 << "汉字a." << "汉字" << 2;
        QTest::newRow("input method, full-width digits and letters")
            << int(tFloat) << false << "" << 0 << "１２３abc" << "１２３" << 3;
    }

    void pasteAndInputMethodKeepToTheRule()
    {
        QFETCH(int, type);
        QFETCH(bool, paste);
        QFETCH(QString, initial);
        QFETCH(int, caret);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QFETCH(int, caretAfter);
        TNumberEdit edit;
        edit.SetInputType(TNumberEditType(type));
        edit.setText(initial);
        edit.show();
        edit.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&edit));
        QTRY_COMPARE(QApplication::focusWidget(), &edit);
        edit.setCursorPosition(caret);
        enterIntoFocus(input, paste);
        QCOMPARE(edit.text(), expected);
        QCOMPARE(edit.cursorPosition(), caretAfter);
        QVERIFY(!edit.HintWindow());
    }

    void leavingCompletesTheNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("expected");
        QTest::newRow("point alone") << "." << int(Qt::TabFocusReason) << "0.0";
        QTest::newRow("leading point") << ".5" << int(Qt::MouseFocusReason) << "0.5";
        QTest::newRow("trailing point") << "5." << int(Qt::TabFocusReason) << "5.0";
        QTest::newRow("whole number") << "12" << int(Qt::TabFocusReason) << "12";
        QTest::newRow("empty") << "" << int(Qt::TabFocusReason) << "";
        QTest::newRow("other window") << "." << int(Qt::ActiveWindowFocusReason) << ".";
        QTest::newRow("context menu") << "5." << int(Qt::PopupFocusReason) << "5.";
    }

    void leavingCompletesTheNumber()
    {
        QFETCH(QString, typed);
        QFETCH(int, reason);
        QFETCH(QString, expected);
        TNumberEdit edit;
        edit.SetInputType(tFloat);
        typeInto(edit, typed);
        QFocusEvent out(QEvent::FocusOut, Qt::FocusReason(reason));
        QApplication::sendEvent(&edit, &out);
        QCOMPARE(edit.text(), expected);
        QCOMPARE(edit.isModified(), !typed.isEmpty()); // completing is not an edit
    }

    void typingStopsAtMaxLength()
    {
        TNumberEdit edit;
        edit.setMaxLength(8);
        QTest::keyClicks(&edit, QStringLiteral("1234567890"));
        QCOMPARE(edit.text(), QStringLiteral("12345678"));
    }

    void alignment_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("drawn");
        const int ltr = Qt::LeftToRight;
        const int rtl = Qt::RightToLeft;
        QTest::newRow("left") << int(Qt::AlignLeft) << ltr << int(Qt::AlignLeft) << int(Qt::AlignLeft);
        QTest::newRow("right") << int(Qt::AlignRight) << ltr << int(Qt::AlignRight) << int(Qt::AlignRight);
        QTest::newRow("centre") << int(Qt::AlignHCenter | Qt::AlignTop) << ltr << int(Qt::AlignHCenter) << int(Qt::AlignHCenter);
        QTest::newRow("right, right to left") << int(Qt::AlignRight) << rtl << int(Qt::AlignRight) << int(Qt::AlignLeft);
        QTest::newRow("left, right to left") << int(Qt::AlignLeft) << rtl << int(Qt::AlignLeft) << int(Qt::AlignRight);
        QTest::newRow("absolute left still swaps") << int(Qt::AlignLeft | Qt::AlignAbsolute) << rtl << int(Qt::AlignLeft) << int(Qt::AlignRight);
    }

    void alignment()
    {
        QFETCH(int, set);
        QFETCH(int, direction);
        QFETCH(int, expected);
        QFETCH(int, drawn);
        TEditEx edit;
        QCOMPARE(int(edit.Alignment()), int(Qt::AlignLeft));
        // A text the program put there: a new alignment keeps it, and it stays unmodified.
        edit.setText(QStringLiteral("132000000001"));
        edit.setLayoutDirection(Qt::LayoutDirection(direction));
        edit.SetAlignment(Qt::Alignment(set));
        QCOMPARE(int(edit.Alignment()), expected);
        const Qt::Alignment visual = QStyle::visualAlignment(edit.layoutDirection(), edit.alignment());
        QCOMPARE(int(visual & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter)), drawn);
        QCOMPARE(edit.text(), QStringLiteral("132000000001"));
        QVERIFY(!edit.isModified());
    }

    void listWidensToTheLongestItemAndNeverShrinks()
    {
        QWidget window;
        TMyComboBox *combo = comboIn(window, {QStringLiteral("小型汽车"), LongItem});
        QVERIFY(combo);
        QCOMPARE(combo->CurSelItem(), -1);

        const int wide = QFontMetrics(combo->font()).horizontalAdvance(LongItem) + 25;
        combo->showPopup();
        QCOMPARE(combo->DropDownWidth(), wide);
        QCOMPARE(combo->view()->minimumWidth(), wide);
        QVERIFY(combo->view()->window()->width() >= wide);
        combo->hidePopup();

        combo->clear();
        combo->addItems({QStringLiteral("甲"), QStringLiteral("乙")});
        combo->showPopup();
        QCOMPARE(combo->DropDownWidth(), wide);
        QVERIFY(combo->view()->window()->width() >= wide);
    }

    void openListFollowsTheHighlightedRow_data()
    {
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("visibleRows");
        QTest::addColumn<int>("highlight");
        QTest::addColumn<bool>("showHint");
        QTest::addColumn<int>("hintRow");
        QTest::newRow("long item, wrapped") << 5 << 10 << 4 << true << 4;
        QTest::newRow("below the visible rows") << 15 << 5 << 12 << true << 5;
        QTest::newRow("hint turned off") << 5 << 10 << 1 << false << 0;
    }

    void openListFollowsTheHighlightedRow()
    {
        QFETCH(int, items);
        QFETCH(int, visibleRows);
        QFETCH(int, highlight);
        QFETCH(bool, showHint);
        QFETCH(int, hintRow);
        QStringList texts;
        for (int i = 0; i < items; ++i)
            texts << (i == 4 ? LongItem : QStringLiteral("车型%1").arg(i));
        QWidget window;
        TMyComboBox *combo = comboIn(window, texts);
        QVERIFY(combo);
        combo->setMaxVisibleItems(visibleRows);
        combo->SetShowItemHint(showHint);

        QSignalSpy changed(combo, &TMyComboBox::selChange);
        combo->showPopup();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(combo->CurSelItem(), 0);

        QAbstractItemView *view = combo->view();
        view->setCurrentIndex(view->model()->index(highlight, 0));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(combo->CurSelItem(), highlight);

        QLabel *hint = qobject_cast<QLabel *>(combo->ItemHintWindow());
        if (!showHint) {
            QVERIFY(!hint || !hint->isVisible());
            return;
        }
        QVERIFY(hint && hint->isVisible());
        QCOMPARE(hint->text(), combo->itemText(highlight));
        const QRect list = view->window()->geometry();
        const int rowHeight = view->visualRect(view->currentIndex()).height();
        QCOMPARE(hint->geometry().topLeft(), QPoint(list.right() + 1, list.top() + rowHeight * (hintRow + 1)));
        QVERIFY(hint->width() <= combo->width());
        if (highlight == 4)
            QVERIFY(hint->height() >= 2 * QFontMetrics(combo->font()).lineSpacing());

        combo->hidePopup();
        QVERIFY(!hint->isVisible());
        QCOMPARE(combo->CurSelItem(), highlight);
    }

    void itemHintGoesWhenTheListClosesOtherwise()
    {
        QWidget window;
        TMyComboBox *combo = comboIn(window, {QStringLiteral("车型0"), QStringLiteral("车型1")});
        QVERIFY(combo);
        QWidget *list = combo->view()->window();

        combo->showPopup();
        QVERIFY(combo->ItemHintWindow()->isVisible());
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(-50, -50)); // outside the list
        QVERIFY(!list->isVisible());
        QVERIFY(!combo->ItemHintWindow()->isVisible());

        // The application closes every open popup this way, bypassing hidePopup().
        combo->showPopup();
        QVERIFY(combo->ItemHintWindow()->isVisible());
        QCOMPARE(QApplication::activePopupWidget(), list);
        list->close();
        QVERIFY(!combo->ItemHintWindow()->isVisible());
    }

    void typedKeyOpensTheList_data()
    {
        QTest::addColumn<bool>("editable");
        QTest::newRow("list only") << false;
        QTest::newRow("editable") << true;
    }

    void typedKeyOpensTheList()
    {
        QFETCH(bool, editable);
        QWidget window;
        TMyComboBox *combo = comboIn(window, {QStringLiteral("a1"), QStringLiteral("b2")});
        QVERIFY(combo);
        combo->setEditable(editable);

        QTest::keyClick(combo, Qt::Key_Escape);
        QVERIFY(!combo->view()->isVisible());
        QTest::keyClick(combo, 'b');
        QVERIFY(combo->view()->isVisible());
        if (editable)
            QCOMPARE(combo->currentText(), QStringLiteral("a1b"));
        else
            QCOMPARE(combo->currentIndex(), 1);
        combo->hidePopup();
    }
};

QTEST_MAIN(TestEditControls)
#include "tst_editcontrols.moc"
