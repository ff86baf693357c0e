#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "DialogDriver.h"
#include "config/AppError.h"
#include "db/BuyerDetails.h"
#include "entry/DialogDetailsPrompt.h"
#include "entry/FrmInputSBB.h"
#include "TestDatabase.h"
#include "TestSupport.h"

namespace {

const QString Code = QStringLiteral("132000000001");
const QString Number = QStringLiteral("00000001");

// Every row of the buyer-details table as "jddm|jdhm|zjlx|lxdz|lxdh|yzbm".
QStringList storedRows(TJdcConnection &connection)
{
    return SelectedRows(connection, QStringLiteral("select jddm,jdhm,zjlx,lxdz,lxdh,yzbm from Kerrowvantis"));
}

// One key per character with the character as its text, as a keyboard delivers it.
void typeInto(QWidget *widget, const QString &keys)
{
    for (const QChar c : keys)
        QTest::sendKeyEvent(QTest::Click, widget, keyFor(c), QString(c), Qt::NoModifier);
}

// Shows the dialog for the test invoice without blocking, with the fields filled.
bool showFilled(TfrmInputSBB &dialog, const QString &address, const QString &telephone, const QString &postcode)
{
    dialog.SetInvoiceCode(Code);
    dialog.SetInvoiceNumber(Number);
    dialog.AddressEdit()->setText(address);
    dialog.TelephoneEdit()->setText(telephone);
    dialog.PostcodeEdit()->setText(postcode);
    dialog.show();
    return QTest::qWaitForWindowExposed(&dialog);
}

} // namespace

class TestInputSBB : public QObject
{
    Q_OBJECT

private slots:
    void opensEmptyOnTopWithTheAddressFocused()
    {
        TJdcConnection unused;
        TfrmInputSBB dialog(unused);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("请输入申报表信息"));
        QCOMPARE(dialog.font().family(), QStringLiteral("宋体"));
        QVERIFY(dialog.windowFlags().testFlags(Qt::CustomizeWindowHint | Qt::WindowTitleHint));
        QVERIFY(!(dialog.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)));
        QVERIFY(!dialog.DocumentList()->isEditable());
        QCOMPARE(dialog.DocumentList()->itemText(1), QStringLiteral("组织机构代码证书"));
        QCOMPARE(dialog.DocumentList()->currentText(), QStringLiteral("身份证"));
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblYB"))->text(), QStringLiteral("邮政编码"));
        QVERIFY(!dialog.OkButton()->autoDefault() && !dialog.CancelButton()->autoDefault());
        QVERIFY(!dialog.CloseAllowed());

        QStringList chain;
        for (QWidget *w = dialog.AddressEdit(); chain.size() < 7; w = w->nextInFocusChain())
            if (w->focusPolicy() != Qt::NoFocus)
                chain << w->objectName();
        QCOMPARE(chain.join(QLatin1Char(',')), QStringLiteral("edtDZ,edtDH,edtYB,edtPQL,cmbZJMC,btnOK,btnCancel"));

        dialog.adjustSize();
        dialog.move(40, 50);
        const QSize size = dialog.size();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.DisplacementEdit()->isHidden());
        QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("lblPQL"))->isHidden());
        QVERIFY(dialog.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(dialog.pos(), QPoint(40, 50)); // the frame's corner, where the dialog was put
        QCOMPARE(dialog.size(), size);
        QCOMPARE(dialog.focusWidget(), dialog.AddressEdit());
    }

    void okInsertsThenUpdatesTheSameRow_data() { AddBackendRows(); }

    void okInsertsThenUpdatesTheSameRow()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        EnsureBuyerTable(db.connection());
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);

        TfrmInputSBB first(db.connection());
        QVERIFY(showFilled(first, {}, {}, {}));
        typeInto(first.AddressEdit(), QStringLiteral("  北京市海淀区 "));
        typeInto(first.TelephoneEdit(), QStringLiteral("010-62345678"));
        typeInto(first.PostcodeEdit(), QStringLiteral("100080"));
        QTest::mouseClick(first.OkButton(), Qt::LeftButton);
        QVERIFY(!first.isVisible());
        QCOMPARE(first.result(), int(QDialog::Accepted));
        QCOMPARE(storedRows(db.connection()),
                 QStringList{QStringLiteral("132000000001|00000001|身份证|  北京市海淀区 |010-62345678|100080")});

        TfrmInputSBB second(db.connection());
        second.DocumentList()->setCurrentIndex(2);
        QVERIFY(showFilled(second, QStringLiteral("上海市"), QStringLiteral("021-1234"), QStringLiteral("200000")));
        QTest::mouseClick(second.OkButton(), Qt::LeftButton);
        QCOMPARE(second.result(), int(QDialog::Accepted));
        QCOMPARE(storedRows(db.connection()),
                 QStringList{QStringLiteral("132000000001|00000001|其它证件|上海市|021-1234|200000")});
        QVERIFY(boxes.shown.isEmpty());
    }

    void onlyCancelCloses_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("closes");
        for (const Backend backend : {Backend::SQLite, Backend::PostgreSQL}) {
            const QString name = BackendName(backend) + QLatin1Char(' ');
            QTest::newRow(qPrintable(name + "cancel button")) << backend << "cancel" << true;
            QTest::newRow(qPrintable(name + "escape in a field")) << backend << "escape field" << true;
            QTest::newRow(qPrintable(name + "escape in the list")) << backend << "escape list" << true;
            QTest::newRow(qPrintable(name + "close request")) << backend << "close" << false;
            QTest::newRow(qPrintable(name + "reject")) << backend << "reject" << false;
        }
    }

    void onlyCancelCloses()
    {
        QFETCH(Backend, backend);
        QFETCH(QString, how);
        QFETCH(bool, closes);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        EnsureBuyerTable(db.connection());
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TfrmInputSBB dialog(db.connection());
        QVERIFY(showFilled(dialog, QStringLiteral("北京"), QStringLiteral("010"), QStringLiteral("100080")));
        dialog.AddressEdit()->end(false); // showing selected the whole address
        typeInto(dialog.AddressEdit(), QStringLiteral("市"));

        if (how == QLatin1String("cancel"))
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        else if (how == QLatin1String("escape field"))
            QTest::keyClick(dialog.TelephoneEdit(), Qt::Key_Escape);
        else if (how == QLatin1String("escape list"))
            QTest::keyClick(dialog.DocumentList(), Qt::Key_Escape);
        else if (how == QLatin1String("close"))
            QVERIFY(!dialog.close());
        else
            dialog.reject();

        QCOMPARE(dialog.isVisible(), !closes);
        QCOMPARE(dialog.CloseAllowed(), closes);
        if (closes)
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        else
            QCOMPARE(dialog.AddressEdit()->text(), QStringLiteral("北京市"));
        QVERIFY(storedRows(db.connection()).isEmpty());
        QVERIFY(boxes.shown.isEmpty());
    }

    void incompleteDetailsAreRefused_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("telephone");
        QTest::addColumn<QString>("postcode");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("focused");
        QTest::newRow("document not in the list") << "驾驶证" << "北京" << "010" << "100080" << "证件名称不能为空！" << "cmbZJMC";
        QTest::newRow("blank address") << "身份证" << "   " << "" << "" << "地址不能为空！" << "edtDZ";
        QTest::newRow("blank telephone") << "身份证" << "北京" << " " << "100080" << "联系电话不能为空！" << "edtDH";
        QTest::newRow("blank postcode") << "身份证" << "北京" << "010" << "      " << "邮政编码不能为空！" << "edtYB";
        QTest::newRow("short postcode") << "其它证件" << "北京" << "010" << "12345 " << "邮政编码只能是6位！" << "edtYB";
    }

    // Checked before the database is asked: the connection here is not even open.
    void incompleteDetailsAreRefused()
    {
        QFETCH(QString, document);
        QFETCH(QString, address);
        QFETCH(QString, telephone);
        QFETCH(QString, postcode);
        QFETCH(QString, warning);
        QFETCH(QString, focused);
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TJdcConnection unopened;
        TfrmInputSBB dialog(unopened);
        dialog.DocumentList()->setCurrentIndex(dialog.DocumentList()->findText(document));
        QVERIFY(showFilled(dialog, address, telephone, postcode));
        dialog.OkButton()->setFocus();
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);

        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Warning);
        QCOMPARE(boxes.shown[0].text, warning);
        QCOMPARE(dialog.focusWidget()->objectName(), focused);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.CloseAllowed());
        QCOMPARE(dialog.AddressEdit()->text(), address);
        QCOMPARE(dialog.PostcodeEdit()->text(), postcode);
    }

    void fieldsKeepTheirLimits_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("expected");
        const QString han60(60, QChar(0x6C49));
        QTest::newRow("postcode takes digits only") << "edtYB" << "" << 0 << "1a2-3 456" << false << "123456";
        QTest::newRow("postcode paste is cut") << "edtYB" << "" << 0 << "98765432" << true << "987654";
        QTest::newRow("address 100 bytes") << "edtDZ" << "" << 0 << han60 << false << han60.left(50);
        QTest::newRow("paste in the middle keeps what follows")
            << "edtDZ" << "北京" << 1 << han60 << true << QStringLiteral("北") + han60.left(48) + QStringLiteral("京");
        QTest::newRow("telephone 50 bytes") << "edtDH" << "" << 0 << "1234" + han60.left(30) << false
                                            << "1234" + han60.left(23);
    }

    void fieldsKeepTheirLimits()
    {
        QFETCH(QString, field);
        QFETCH(QString, initial);
        QFETCH(int, caret);
        QFETCH(QString, input);
        QFETCH(bool, paste);
        QFETCH(QString, expected);
        TJdcConnection unused;
        TfrmInputSBB dialog(unused);
        auto *edit = dialog.findChild<QLineEdit *>(field);
        QVERIFY(edit);
        edit->setText(initial);
        edit->setCursorPosition(caret);
        if (paste) {
            QGuiApplication::clipboard()->setText(input);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        } else {
            typeInto(edit, input);
        }
        QCOMPARE(edit->text(), expected);
    }

    // Pasted or committed by an input method, the postcode still holds digits only, so the
    // length check sees what is stored and printed.
    void postcodeKeepsDigitsHoweverTheyCome_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("stored"); // empty: refused as too short
        QTest::newRow("pasted letters") << true << "12ab34" << "1234" << "";
        QTest::newRow("paste with letters between the digits") << true << "1a0b0c0d8e0f" << "100080" << "100080";
        QTest::newRow("paste with a blank inside") << true << "100 080" << "100080" << "100080";
        QTest::newRow("input method, letters") << false << "１２３abc" << "123" << "";
        QTest::newRow("input method, full-width digits") << false << "１０００８０" << "100080" << "100080";
    }

    void postcodeKeepsDigitsHoweverTheyCome()
    {
        QFETCH(bool, paste);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QFETCH(QString, stored);
        TestDatabase db(Backend::SQLite);
        EnsureBuyerTable(db.connection());
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TfrmInputSBB dialog(db.connection());
        QVERIFY(showFilled(dialog, QStringLiteral("北京"), QStringLiteral("010"), {}));
        dialog.activateWindow();
        dialog.PostcodeEdit()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), dialog.PostcodeEdit());

        enterIntoFocus(input, paste);
        QCOMPARE(dialog.PostcodeEdit()->text(), expected);

        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        if (stored.isEmpty()) {
            QVERIFY(dialog.isVisible());
            QCOMPARE(boxes.shown.size(), 1);
            QCOMPARE(boxes.shown[0].text, QStringLiteral("邮政编码只能是6位！"));
            QVERIFY(storedRows(db.connection()).isEmpty());
        } else {
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(storedRows(db.connection()), QStringList{"132000000001|00000001|身份证|北京|010|" + stored});
        }
    }

    void enterMovesOnAndPostcodeEnterSaves_data() { AddBackendRows(); }

    void enterMovesOnAndPostcodeEnterSaves()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        EnsureBuyerTable(db.connection());
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TfrmInputSBB dialog(db.connection());
        QVERIFY(showFilled(dialog, {}, {}, {}));

        typeInto(dialog.AddressEdit(), QStringLiteral("杭州"));
        QTest::keyClick(dialog.AddressEdit(), Qt::Key_Return);
        QCOMPARE(dialog.focusWidget(), dialog.TelephoneEdit());
        typeInto(dialog.TelephoneEdit(), QStringLiteral("0571"));
        QTest::keyClick(dialog.TelephoneEdit(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(dialog.focusWidget(), dialog.PostcodeEdit());
        typeInto(dialog.PostcodeEdit(), QStringLiteral("310000"));

        // The details are complete: Enter in the list would store them if it pressed OK.
        dialog.DocumentList()->setFocus();
        QTest::keyClick(dialog.DocumentList(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), dialog.DocumentList());
        QVERIFY(storedRows(db.connection()).isEmpty());

        QTest::keyClick(dialog.PostcodeEdit(), Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(storedRows(db.connection()),
                 QStringList{QStringLiteral("132000000001|00000001|身份证|杭州|0571|310000")});
        QVERIFY(boxes.shown.isEmpty());
    }

    void databaseErrorIsShownAndTheDialogStays_data() { AddBackendRows(); }

    void databaseErrorIsShownAndTheDialogStays()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend); // no buyer-details table
        QString expected;
        try {
            BuyerDetailsExist(db.connection(), Number, Code);
        } catch (const AppError &error) {
            expected = error.text();
        }
        QVERIFY(!expected.isEmpty());

        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TfrmInputSBB dialog(db.connection());
        QVERIFY(showFilled(dialog, QStringLiteral("北京"), QStringLiteral("010"), QStringLiteral("100080")));
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);

        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Error);
        QCOMPARE(boxes.shown[0].text, expected);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.CloseAllowed());
        QCOMPARE(dialog.AddressEdit()->text(), QStringLiteral("北京"));
    }

    void promptFillsTheDialogAndAnswers_data() { AddBackendRows(); }

    void promptFillsTheDialogAndAnswers()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        EnsureBuyerTable(db.connection());
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        DialogDetailsPrompt prompt(db.connection());
        QString seen;
        const auto answerWith = [&seen](Qt::Key key, const char *field) {
            QTimer::singleShot(0, [&seen, key, field] {
                QTRY_VERIFY(qobject_cast<TfrmInputSBB *>(QApplication::activeModalWidget()));
                auto *dialog = static_cast<TfrmInputSBB *>(QApplication::activeModalWidget());
                seen = dialog->DocumentList()->currentText() + QLatin1Char('/') + dialog->AddressEdit()->text();
                QTest::keyClick(dialog->findChild<QWidget *>(QLatin1String(field)), key);
            });
        };

        DetailsRequest request{Code, Number,
                               {QStringLiteral("驾驶证"), QStringLiteral("010"), QStringLiteral("100080"), QStringLiteral("北京"),
                                QStringLiteral("1.6")}};
        answerWith(Qt::Key_Escape, "edtDZ");
        QVERIFY(!prompt.Ask(request).has_value());
        QCOMPARE(seen, QStringLiteral("/北京"));
        QVERIFY(storedRows(db.connection()).isEmpty());

        request.details.documentType = QStringLiteral("组织机构代码证书");
        request.details.address = QStringLiteral(" 天津 ");
        answerWith(Qt::Key_Return, "edtPQL"); // Enter in the hidden displacement presses OK too
        const std::optional<BuyerDetails> answer = prompt.Ask(request);
        QVERIFY(answer.has_value());
        QCOMPARE(seen, QStringLiteral("组织机构代码证书/ 天津 "));
        const QStringList got{answer->documentType, answer->address, answer->telephone, answer->postcode,
                              answer->displacement};
        QCOMPARE(got.join(QLatin1Char('|')), QStringLiteral("组织机构代码证书| 天津 |010|100080|1.6"));
        QCOMPARE(storedRows(db.connection()),
                 QStringList{QStringLiteral("132000000001|00000001|组织机构代码证书| 天津 |010|100080")});
        QVERIFY(boxes.shown.isEmpty());
    }

    // An invoice nobody entered details for: the list shows "身份证", and the clerk only types
    // the three fields, Enter after each, to store them and close.
    void newInvoiceOpensWithTheIdentityCard()
    {
        TestDatabase db(Backend::SQLite);
        EnsureBuyerTable(db.connection());
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        DialogDetailsPrompt prompt(db.connection());
        QString listed;
        QTimer::singleShot(0, [&listed] {
            QTRY_VERIFY(qobject_cast<TfrmInputSBB *>(QApplication::activeModalWidget()));
            auto *dialog = static_cast<TfrmInputSBB *>(QApplication::activeModalWidget());
            // A failed check must not leave the dialog waiting for keys that never come.
            const auto closeAnyway = qScopeGuard([dialog] {
                if (dialog->isVisible())
                    dialog->CancelButton()->click();
            });
            listed = dialog->DocumentList()->currentText();
            for (const auto &[field, text] : {std::pair{"edtDZ", QStringLiteral("南京市鼓楼区1号")},
                                              std::pair{"edtDH", QStringLiteral("13900000000")},
                                              std::pair{"edtYB", QStringLiteral("210000")}}) {
                QWidget *edit = dialog->findChild<QWidget *>(QLatin1String(field));
                QTRY_VERIFY(edit->hasFocus());
                typeInto(edit, text);
                QTest::keyClick(edit, Qt::Key_Return);
            }
        });
        const std::optional<BuyerDetails> answer = prompt.Ask({Code, Number, {}});
        QCOMPARE(listed, QStringLiteral("身份证"));
        QVERIFY(answer.has_value());
        QCOMPARE(answer->documentType, QStringLiteral("身份证"));
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(storedRows(db.connection()),
                 QStringList{QStringLiteral("132000000001|00000001|身份证|南京市鼓楼区1号|13900000000|210000")});
    }
};

QTEST_MAIN(TestInputSBB)
#include "tst_inputsbb.moc"
