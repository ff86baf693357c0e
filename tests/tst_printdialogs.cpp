#include "DialogDriver.h"
#include "TestSupport.h"

#include "config/AppIniFile.h"
#include "config/Settings.h"
#include "entry/ComboBoxEx.h"
#include "entry/NumberEdit.h"
#include "print/FrmAdjustPrint.h"
#include "print/FrmSelectPrinter.h"
#include "print/FrmSetPrintTime.h"

#include <functional>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

const QStringList Printers{QStringLiteral("HP LaserJet 1020"), QStringLiteral("Kerrowvantis-PDF"),
                           QStringLiteral("EPSON LQ-630K 针式打印机")};

// The two ways out of a dialog without its OK: its cancel button and Escape.
void addCancelRows()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("button") << false;
    QTest::newRow("escape") << true;
}

} // namespace

class TestPrintDialogs : public QObject
{
    Q_OBJECT

private slots:
    void selectPrinterListsThePrinters_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("selected");
        QTest::newRow("current in the list") << Printers[2] << Printers[2];
        QTest::newRow("current unknown") << "Gone" << Printers[0];
    }

    void selectPrinterListsThePrinters()
    {
        QFETCH(QString, current);
        QFETCH(QString, selected);
        TfrmSelectPrinter dialog(Printers, current);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("请选择打印机"));
        QCOMPARE(child<QLabel>(&dialog, "lblPrinter")->text(), QStringLiteral("请选择打印机："));
        auto *list = child<TMyComboBox>(&dialog, "cbxPrintList");
        QVERIFY(list);
        QVERIFY(!list->isEditable());
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        QCOMPARE(items, Printers);
        QCOMPARE(dialog.ChosenPrinter(), selected);
        QCOMPARE(child<QPushButton>(&dialog, "btnOK")->text(), QStringLiteral("确定"));
        QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->text(), QStringLiteral("取消"));
    }

    void selectPrinterOkReturnsTheChoice()
    {
        TfrmSelectPrinter dialog(Printers, Printers[0]);
        whenModal([](QWidget *modal) {
            QTest::keyClick(child<TMyComboBox>(modal, "cbxPrintList"), Qt::Key_Down);
            click(modal, "btnOK");
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.ChosenPrinter(), Printers[1]);
    }

    void selectPrinterCancels_data()
    {
        addCancelRows();
    }

    void selectPrinterCancels()
    {
        QFETCH(bool, escape);
        TfrmSelectPrinter dialog(Printers, Printers[1]);
        whenModal([escape](QWidget *modal) { cancel(modal, "btnCancel", escape); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void adjustPrintShowsTheStoredOffsets_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("offX");
        QTest::addColumn<QString>("offY");
        QTest::newRow("no file") << QByteArray() << "0" << "5";
        QTest::newRow("both") << QByteArray("[Print]\r\nOffX=-3\r\nOffY=12\r\n") << "-3" << "12";
        QTest::newRow("only OffX") << QByteArray("[Print]\r\nOffX=7\r\n") << "7" << "5";
        QTest::newRow("other case") << QByteArray("[print]\r\noffy=2\r\n") << "0" << "2";
    }

    void adjustPrintShowsTheStoredOffsets()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, offX);
        QFETCH(QString, offY);
        TempSettings settings;
        if (!file.isEmpty())
            settings.write(file);
        TFrmAdjustPrint dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("打印微调"));
        auto *editX = child<TNumberEdit>(&dialog, "edtOffX");
        auto *editY = child<TNumberEdit>(&dialog, "edtOffY");
        QCOMPARE(editX->text(), offX);
        QCOMPARE(editY->text(), offY);
        for (TNumberEdit *edit : {editX, editY}) {
            QCOMPARE(edit->maxLength(), 4);
            QCOMPARE(edit->InputType(), tInt);
        }
        QCOMPARE(child<QPushButton>(&dialog, "btnOK")->text(), QStringLiteral("保存设置"));
        QCOMPARE(child<QPushButton>(&dialog, "btnClose")->text(), QStringLiteral("取消"));
    }

    void adjustPrintNoteExplainsInRed()
    {
        TempSettings settings;
        TFrmAdjustPrint dialog;
        auto *note = child<QLabel>(&dialog, "lblNote");
        QVERIFY(note);
        const QStringList lines = note->text().split(QLatin1Char('\n'));
        const QStringList expected{"调整说明", "", "    1、调整单位为毫米", "    2、横向如是正数则向右调整，如是负数则",
                                   "    向左调整。", "    3、纵向如是正数则向下调整，如是负数则", "    向上调整。"};
        QCOMPARE(lines, expected);
        QCOMPARE(note->palette().color(QPalette::WindowText), QColor(Qt::red));
    }

    void adjustPrintRefusesMissingOffsets_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("offX");
        QTest::addColumn<QString>("offY");
        const QByteArray stored("[Print]\r\nOffX=1\r\nOffY=4\r\n");
        QTest::newRow("OffY empty, no file") << QByteArray() << "3" << "";
        QTest::newRow("OffX blanks") << stored << "  " << "2";
        QTest::newRow("minus alone") << stored << "-" << "2";
        QTest::newRow("pasted Chinese text") << stored << "3" << "1汉";
        QTest::newRow("blank inside") << stored << "1 2" << "2";
    }

    void adjustPrintRefusesMissingOffsets()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, offX);
        QFETCH(QString, offY);
        TempSettings settings;
        if (!file.isEmpty())
            settings.write(file);
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TFrmAdjustPrint dialog;
        dialog.show();
        child<TNumberEdit>(&dialog, "edtOffX")->setText(offX);
        child<TNumberEdit>(&dialog, "edtOffY")->setText(offY);
        click(&dialog, "btnOK");
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Warning);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("偏移量不能为空!"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(QFile::exists(settings.path()), !file.isEmpty());
        QCOMPARE(settings.read(), file);
        QCOMPARE(AppSettings().OffX, 0);
        QCOMPARE(AppSettings().OffY, 0);
    }

    void adjustPrintSavesTheOffsets()
    {
        TempSettings settings;
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TFrmAdjustPrint dialog;
        whenModal([](QWidget *modal) {
            child<TNumberEdit>(modal, "edtOffX")->setText(QStringLiteral("3"));
            child<TNumberEdit>(modal, "edtOffY")->setText(QStringLiteral(" -2 "));
            click(modal, "btnOK");
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(settings.read(), QByteArray("[Print]\r\nOffX=3\r\nOffY=-2\r\n"));
        QCOMPARE(AppSettings().OffX, 3);
        QCOMPARE(AppSettings().OffY, -2);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Information);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("保存设置成功！"));
    }

    void adjustPrintShowsAWriteFailure()
    {
        TempSettings settings;
        const QByteArray before("[Print]\r\nOffX=1\r\nOffY=4\r\n");
        settings.write(before);
        QFile::setPermissions(settings.path(), QFileDevice::ReadOwner);
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TFrmAdjustPrint dialog;
        dialog.show();
        child<TNumberEdit>(&dialog, "edtOffX")->setText(QStringLiteral("8"));
        click(&dialog, "btnOK");
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Error);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Unable to write to %1").arg(settings.path()));
        QVERIFY(dialog.isVisible());
        QCOMPARE(settings.read(), before);
        QCOMPARE(AppSettings().OffX, 0);
    }

    void adjustPrintCancelWritesNothing_data()
    {
        addCancelRows();
    }

    void adjustPrintCancelWritesNothing()
    {
        QFETCH(bool, escape);
        TempSettings settings;
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        TFrmAdjustPrint dialog;
        whenModal([escape](QWidget *modal) {
            child<TNumberEdit>(modal, "edtOffX")->setText(QStringLiteral("9"));
            cancel(modal, "btnClose", escape);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(settings.path()));
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(AppSettings().OffX, 0);
    }

    void printTimeFieldIsAReadOnlySpin()
    {
        TfrmSetPrintTime dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("设置自动打印间隔"));
        QCOMPARE(dialog.findChild<QLabel *>()->text(), QStringLiteral("自动打印间隔（秒）："));
        auto *edit = child<TNumberEdit>(&dialog, "edtTime");
        QVERIFY(edit->isReadOnly());
        QCOMPARE(edit->maxLength(), 2);
        QCOMPARE(edit->Alignment(), Qt::AlignRight);
        QCOMPARE(child<QToolButton>(&dialog, "btnUp")->arrowType(), Qt::UpArrow);
        QCOMPARE(child<QToolButton>(&dialog, "btnDown")->arrowType(), Qt::DownArrow);
        QCOMPARE(child<QPushButton>(&dialog, "btnOK")->text(), QStringLiteral("保存"));
        QCOMPARE(child<QPushButton>(&dialog, "btnClose")->text(), QStringLiteral("退出"));
    }

    void printTimeSteps_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("presses"); // u/d arrow buttons, U/D arrow keys
        QTest::addColumn<int>("expected");
        QTest::newRow("up") << 30 << "u" << 31;
        QTest::newRow("down") << 30 << "dd" << 28;
        QTest::newRow("keys") << 30 << "UUD" << 31;
        QTest::newRow("stops at 60") << 59 << "uuU" << 60;
        QTest::newRow("stops at 10") << 11 << "ddD" << 10;
        QTest::newRow("below the range") << 5 << "" << 10;
        QTest::newRow("above the range") << 120 << "" << 60;
        QTest::newRow("up from below") << 0 << "u" << 11;
    }

    void printTimeSteps()
    {
        QFETCH(int, start);
        QFETCH(QString, presses);
        QFETCH(int, expected);
        TfrmSetPrintTime dialog;
        dialog.SetSeconds(start);
        auto *edit = child<TNumberEdit>(&dialog, "edtTime");
        for (const QChar press : presses) {
            switch (press.unicode()) {
            case u'u': click(&dialog, "btnUp"); break;
            case u'd': click(&dialog, "btnDown"); break;
            case u'U': QTest::keyClick(edit, Qt::Key_Up); break;
            default: QTest::keyClick(edit, Qt::Key_Down); break;
            }
        }
        QCOMPARE(dialog.Seconds(), expected);
        QCOMPARE(edit->text(), QString::number(expected));
    }

    void editPrintIntervalStoresOnOk_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("ups");
        QTest::addColumn<bool>("automaticOn");
        QTest::addColumn<int>("expected");
        QTest::newRow("automatic") << 30 << 1 << true << 31;
        QTest::newRow("manual") << 30 << 1 << false << 31;
        QTest::newRow("60 gives 60000 ms") << 59 << 3 << true << 60;
    }

    void editPrintIntervalStoresOnOk()
    {
        QFETCH(int, start);
        QFETCH(int, ups);
        QFETCH(bool, automaticOn);
        QFETCH(int, expected);
        TempSettings settings;
        AppSettings().InterTime = start;
        QTimer timer;
        timer.start(start * 1000);
        bool stoppedWhileOpen = false;
        int shown = 0;
        whenModal([&](QWidget *modal) {
            stoppedWhileOpen = !timer.isActive();
            shown = child<TNumberEdit>(modal, "edtTime")->text().toInt();
            for (int i = 0; i < ups; ++i)
                click(modal, "btnUp");
            click(modal, "btnOK");
        });
        EditPrintInterval(timer, automaticOn);
        QVERIFY(stoppedWhileOpen);
        QCOMPARE(shown, start);
        QCOMPARE(ReadInterTime(), expected);
        QCOMPARE(AppSettings().InterTime, expected);
        QCOMPARE(timer.interval(), expected * 1000);
        QCOMPARE(timer.isActive(), automaticOn);
    }

    void editPrintIntervalCancelKeepsTheInterval_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("automaticOn");
        QTest::newRow("button, automatic") << false << true;
        QTest::newRow("escape, manual") << true << false;
    }

    void editPrintIntervalCancelKeepsTheInterval()
    {
        QFETCH(bool, escape);
        QFETCH(bool, automaticOn);
        TempSettings settings;
        AppSettings().InterTime = 25;
        QTimer timer;
        timer.start(1000); // running on an interval that is not yet InterTime's
        whenModal([escape](QWidget *modal) {
            click(modal, "btnUp");
            cancel(modal, "btnClose", escape);
        });
        EditPrintInterval(timer, automaticOn);
        QVERIFY(!QFile::exists(settings.path()));
        QCOMPARE(AppSettings().InterTime, 25);
        QCOMPARE(timer.interval(), 25000);
        QCOMPARE(timer.isActive(), automaticOn);
    }

    void editPrintIntervalShowsAWriteFailure()
    {
        TempSettings settings;
        const QByteArray before("[Other]\r\nInterTime=20\r\n");
        settings.write(before);
        QFile::setPermissions(settings.path(), QFileDevice::ReadOwner);
        AppSettings().InterTime = 20;
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        QTimer timer;
        whenModal([](QWidget *modal) {
            click(modal, "btnUp");
            click(modal, "btnOK");
        });
        EditPrintInterval(timer, true);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Error);
        QCOMPARE(settings.read(), before);
        QCOMPARE(AppSettings().InterTime, 20);
        QCOMPARE(timer.interval(), 20000);
        QVERIFY(timer.isActive());
    }
};

QTEST_MAIN(TestPrintDialogs)
#include "tst_printdialogs.moc"
