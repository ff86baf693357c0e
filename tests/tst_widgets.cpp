#include "DialogDriver.h"
#include "TestSupport.h"

#include "config/ModalDialogs.h"
#include "config/QtTranslations.h"
#include "config/Util.h"
#include "config/WidgetMessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

class ProbeDialog : public QDialog
{
public:
    ProbeDialog(QPointer<ProbeDialog> *self, QPoint *centre)
        : m_centre(centre)
    {
        *self = this;
        resize(320, 180);
        move(0, 0); // where it would go on its own
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QDialog::showEvent(event);
        *m_centre = frameGeometry().center();
        QTimer::singleShot(0, this, &QDialog::accept);
    }

private:
    QPoint *m_centre;
};

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    // The program's start-up installs Qt's Chinese translations; the boxes below are made with them.
    void initTestCase() { QVERIFY(InstallQtTranslations()); }

    // Qt's own dialogs speak Chinese: the folder browser's "Look in:" and "&Choose", and the
    // captions Qt gives standard buttons (the print dialog's, the folder browser's "Cancel").
    void qtDialogsSpeakChinese_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("folder browser, look in") << "QFileDialog" << "Look in:" << "查找范围：";
        QTest::newRow("folder browser, choose") << "QFileDialog" << "&Choose" << "选择(&C)";
        QTest::newRow("standard button, cancel") << "QPlatformTheme" << "Cancel" << "取消";
        QTest::newRow("print preview, print") << "QPrintPreviewDialog" << "Print" << "打印";
    }
    void qtDialogsSpeakChinese()
    {
        QFETCH(QString, context);
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        QCOMPARE(QCoreApplication::translate(qPrintable(context), qPrintable(english)), chinese);
    }

    void boxesHaveEnglishTitlesAndCaptions_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("error") << int(MessageKind::Error) << "Error" << int(QMessageBox::Critical) << QStringList{"OK"};
        QTest::newRow("information") << int(MessageKind::Information) << "Information" << int(QMessageBox::Information) << QStringList{"OK"};
        QTest::newRow("warning") << int(MessageKind::Warning) << "Warning" << int(QMessageBox::Warning) << QStringList{"OK"};
        QTest::newRow("question") << int(MessageKind::Question) << "Confirm" << int(QMessageBox::Question) << QStringList{"&Yes", "&No"};
    }

    void boxesHaveEnglishTitlesAndCaptions()
    {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(int, icon);
        QFETCH(QStringList, buttons);
        const auto box = WidgetMessageBoxes::create(MessageKind(kind), QStringLiteral("数据库连接失败"));
        QCOMPARE(box->windowTitle(), title);
        QCOMPARE(box->text(), QStringLiteral("数据库连接失败"));
        QCOMPARE(int(box->icon()), icon);
        QStringList captions;
        for (QAbstractButton *button : box->buttons())
            captions << button->text();
        captions.sort();
        buttons.sort();
        QCOMPARE(captions, buttons);
        // Wide enough for the title bar to show its title beside its buttons, even for a short text.
        const auto shortBox = WidgetMessageBoxes::create(MessageKind(kind), QStringLiteral("上传成功"));
        QVERIFY(shortBox->sizeHint().width() >= shortBox->fontMetrics().horizontalAdvance(title) + 160);
    }

    void askYesNo_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("expected");
        QTest::newRow("yes") << "yes" << true;
        QTest::newRow("no") << "no" << false;
        QTest::newRow("close box") << "close" << false;
        QTest::newRow("escape") << "escape" << false;
    }

    void askYesNo()
    {
        QFETCH(QString, how);
        QFETCH(bool, expected);
        WidgetMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        whenModal([how](QWidget *widget) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            QVERIFY(box);
            if (how == QLatin1String("yes"))
                box->button(QMessageBox::Yes)->click();
            else if (how == QLatin1String("no"))
                box->button(QMessageBox::No)->click();
            else if (how == QLatin1String("close"))
                box->close();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(AskYesNo(QStringLiteral("确定要退出吗？")), expected);
    }

    void showErrorWaitsForOk()
    {
        WidgetMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        QString seen;
        whenModal([&seen](QWidget *widget) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            QVERIFY(box);
            seen = box->windowTitle() + QLatin1Char(':') + box->text();
            box->button(QMessageBox::Ok)->click();
        });
        ShowError(QStringLiteral("打印失败"));
        QCOMPARE(seen, QStringLiteral("Error:打印失败"));
    }

    void boxesShowTheirTextAsPlainText_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("error") << int(MessageKind::Error);
        QTest::newRow("information") << int(MessageKind::Information);
        QTest::newRow("warning") << int(MessageKind::Warning);
        QTest::newRow("question") << int(MessageKind::Question);
    }

    void boxesShowTheirTextAsPlainText()
    {
        QFETCH(int, kind);
        // A server's ResultMessage that looks like markup is shown as the characters it is.
        const QString text = QStringLiteral("上传失败：原因：<b>x</b>");
        WidgetMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        Qt::TextFormat format = Qt::AutoText;
        QString shown;
        int width = 0;
        int needed = 0;
        whenModal([&](QWidget *widget) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            QVERIFY(box);
            auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            format = label->textFormat();
            shown = label->text();
            width = label->sizeHint().width();
            needed = label->fontMetrics().horizontalAdvance(text);
            box->close();
        });
        if (MessageKind(kind) == MessageKind::Question)
            AskYesNo(text);
        else
            boxes.show(MessageKind(kind), text);
        QCOMPARE(shown, text);
        QVERIFY2(width >= needed, qPrintable(QStringLiteral("drawn %1 wide, the text needs %2").arg(width).arg(needed)));
        QCOMPARE(format, Qt::PlainText);
    }

    void showModalCenteredCentresFreesAndReturnsTheResult()
    {
        QPointer<ProbeDialog> dialog;
        QPoint centre;
        const int result = ShowModalCentered<ProbeDialog>(&dialog, &centre);
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(dialog.isNull());
        const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
        QVERIFY2((centre - screenCentre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
    }

    void setTopMostKeepsPositionAndSize()
    {
        QWidget window;
        window.setGeometry(100, 120, 300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect before = window.geometry();
        TUtil::SetTopMost(window.windowHandle());
        QVERIFY(window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.isVisible());
        QCOMPARE(window.geometry(), before);
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
