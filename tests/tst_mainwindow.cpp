#include "ScriptedBrowser.h"
#include "ScriptedPrompt.h"
#include "TestDatabase.h"
#include "TestPrinters.h"
#include "TestSupport.h"

#include "app/EntryPoint.h"
#include "app/FrmAbout.h"
#include "app/FrmMain.h"
#include "app/MyTrayIcon.h"
#include "config/AppError.h"
#include "config/AppIniFile.h"
#include "config/GbkText.h"
#include "config/Settings.h"
#include "db/InvoiceGridModel.h"
#include "db/demo/InvoicingSchema.h"
#include "entry/NumberEdit.h"
#include "upload/UploadJournal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <optional>

namespace {

const QString Dll = QStringLiteral(BARCODEDLL_PATH);
const QDateTime StartTime(QDate(2026, 12, 10), QTime(10, 15, 0, 250));

// Every visible menu item as "menu/item", in menu order.
QStringList visibleMenuItems(const QMenuBar *bar)
{
    QStringList items;
    for (const QAction *top : bar->actions()) {
        if (!top->isVisible() || !top->menu())
            continue;
        for (const QAction *item : top->menu()->actions()) {
            if (item->isVisible())
                items << top->text() + QLatin1Char('/') + item->text();
        }
    }
    return items;
}

QStringList visibleItems(const QMenu *menu)
{
    QStringList items;
    for (const QAction *item : menu->actions()) {
        if (item->isVisible())
            items << item->text();
    }
    return items;
}

QAction *findItem(const QMenuBar *bar, const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    for (QAction *top : bar->actions()) {
        if (top->text() != parts[0] || !top->menu())
            continue;
        for (QAction *item : top->menu()->actions()) {
            if (item->text() == parts[1])
                return item;
        }
    }
    return nullptr;
}

// A window as the program makes it, on a settings file of the test's own.
struct Fixture {
    explicit Fixture(const QByteArray &ini = {}, bool trayAvailable = true,
                     const std::function<void(MainWindowOptions &)> &adjust = {})
        : clock(StartTime)
    {
        // No data source unless the test names one: the window then makes no connection.
        settings.write(ini.contains("[DataBase]") ? ini : "[DataBase]\r\nDSN=\r\n" + ini);
        MainWindowOptions options;
        options.barcodeLibraryPath = Dll;
        options.clock = &clock;
        options.trayAvailable = trayAvailable;
        if (adjust)
            adjust(options);
        window = std::make_unique<TFrmMain>(options);
    }

    template <class T>
    T *find(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QString ini(const char *section, const char *key) const
    {
        return TAppIniFile().ReadString(QString::fromLatin1(section), QString::fromLatin1(key), QStringLiteral("<none>"));
    }

    TempSettings settings;
    RecordingMessageBoxes boxes;
    ScopedMessageBoxes scope{boxes};
    FixedClock clock;
    std::unique_ptr<TFrmMain> window;
};

const QStringList CommonItems{"文件/退出", "打印申报表/查询", "生成报表/生成机动车销售月报表", "生成报表/生成电子申报数据",
                              "生成报表/生成上报数据", "帮助/帮助", "帮助/关于"};

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// Throws from inside event delivery, past any handler guard.
class ThrowingObject : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            throw AppError(QStringLiteral("处理失败"));
        return QObject::event(event);
    }
};

// Takes the place of the desktop's handler for a URL scheme.
class UrlRecorder : public QObject
{
    Q_OBJECT

public slots:
    void open(const QUrl &url) { urls << url; }

public:
    QList<QUrl> urls;
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void modeShaping_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("modeItems");
        QTest::addColumn<QStringList>("contextItems");
        QTest::addColumn<QString>("prtCaption");
        QTest::addColumn<bool>("prtEnabled");
        QTest::addColumn<bool>("adjustVisible");
        QTest::addColumn<bool>("filterVisible");
        QTest::addColumn<QStringList>("disabledItems");
        QTest::addColumn<QString>("panel0");
        QTest::addColumn<QString>("panel2");
        QTest::addColumn<bool>("timerRuns");
        QTest::addColumn<int>("interval");

        const QStringList barcodeItems{"文件/设置打印间隔", "打印申报表/打印申报表", "打印申报表/打印微调", "打印申报表/自动打印申报表"};
        const QStringList onlineItems{"文件/上传参数设置", "文件/修改上传密码", "上传数据/自动上传数据", "上传数据/手工上传数据",
                                      "上传数据/上传日志"};
        QTest::newRow("barcode, manual")
            << QByteArray() << barcodeItems << QStringList{"导出", "打印预览", "退出"} << "打  印" << true << true << false
            << QStringList() << "当前状态：手工打印申报表" << "" << false << 30000;
        QTest::newRow("barcode, automatic")
            << QByteArray("[Other]\nAutoPrint=1\nInterTime=45\n") << barcodeItems << QStringList{"导出", "打印预览", "退出"} << "打  印"
            << false << true << false << QStringList{"打印申报表/打印申报表"} << "当前状态：自动打印申报表" << "" << true << 45000;
        QTest::newRow("barcode, automatic, hand-edited interval 0")
            << QByteArray("[Other]\nAutoPrint=1\nInterTime=0\n") << barcodeItems << QStringList{"导出", "打印预览", "退出"} << "打  印"
            << false << true << false << QStringList{"打印申报表/打印申报表"} << "当前状态：自动打印申报表" << "" << true << 1000;
        QTest::newRow("online, manual")
            << QByteArray("[SBConfig]\nSBType=2\n[Other]\nAutoPrint=1\n") << onlineItems << QStringList{"手工上传", "退出"}
            << "上  传" << true << false << true << QStringList() << "当前状态：手工上传申报数据"
            << "绿色已经上传，黄色未上传" << false << 30000;
        QTest::newRow("online, automatic")
            << QByteArray("[SBConfig]\nSBType=2\n[NetConfig]\nAutoUpload=1\nShowInput=1\n") << onlineItems
            << QStringList{"手工上传", "退出"} << "上  传" << false << false << true
            << QStringList{"上传数据/手工上传数据", "手工上传"} << "当前状态：自动上传申报数据" << "绿色已经上传，黄色未上传" << true
            << 30000;
    }

    void modeShaping()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, modeItems);
        QFETCH(QStringList, contextItems);
        QFETCH(QString, prtCaption);
        QFETCH(bool, prtEnabled);
        QFETCH(bool, adjustVisible);
        QFETCH(bool, filterVisible);
        QFETCH(QStringList, disabledItems);
        QFETCH(QString, panel0);
        QFETCH(QString, panel2);
        QFETCH(bool, timerRuns);
        QFETCH(int, interval);

        Fixture f(ini);
        TFrmMain &w = *f.window;
        QVERIFY(f.boxes.shown.isEmpty());
        QCOMPARE(sorted(visibleMenuItems(w.menuBar())), sorted(CommonItems + modeItems));
        QCOMPARE(visibleItems(w.PopupMenu1()), contextItems);
        auto *btnPrt = f.find<QPushButton>("btnPrt");
        QCOMPARE(btnPrt->text(), prtCaption);
        QCOMPARE(btnPrt->isEnabled(), prtEnabled);
        QCOMPARE(f.find<QPushButton>("btnPrtAdjust")->isVisibleTo(&w), adjustVisible);
        QVERIFY(f.find<QPushButton>("btnMakeReport")->isVisibleTo(&w));
        for (const char *name : {"CheckBox1", "lblSCZT", "cbxSCZT"})
            QCOMPARE(f.find<QWidget>(name)->isVisibleTo(&w), filterVisible);

        QStringList disabled;
        for (const QString &item : CommonItems + modeItems) {
            if (!findItem(w.menuBar(), item)->isEnabled())
                disabled << item;
        }
        for (QAction *item : w.PopupMenu1()->actions()) {
            if (item->isVisible() && !item->isEnabled())
                disabled << item->text();
        }
        QCOMPARE(disabled, disabledItems);

        QCOMPARE(w.PanelText(0), panel0);
        QCOMPARE(w.PanelText(2), panel2);
        QCOMPARE(w.PrintTimer()->isActive(), timerRuns);
        QCOMPARE(w.PrintTimer()->interval(), interval);
        QCOMPARE(w.windowTitle(), QStringLiteral("Quorvant"));
        QCOMPARE(w.TrayIcon1()->ToolTip(), QStringLiteral("Quorvant"));
    }

    void startUpWritesTheBookmarkAndTheSwitches()
    {
        Fixture barcode;
        QCOMPARE(barcode.ini("Other", "EndTime"), QStringLiteral("2026-12-10 10:15:00.250"));
        QCOMPARE(barcode.ini("Other", "AutoPrint"), QStringLiteral("0"));
        QCOMPARE(barcode.ini("NetConfig", "AutoUpload"), QStringLiteral("<none>"));
        QCOMPARE(barcode.find<QDateEdit>("dtpStart")->date(), StartTime.date());
        QCOMPARE(barcode.find<QDateEdit>("dtpEnd")->text(), QStringLiteral("2026-12-10"));

        Fixture online("[SBConfig]\nSBType=2\n[NetConfig]\nShowInput=1\n");
        QCOMPARE(online.ini("NetConfig", "AutoUpload"), QStringLiteral("0"));
        QCOMPARE(online.ini("NetConfig", "ShowInput"), QStringLiteral("1"));
        QVERIFY(online.find<QCheckBox>("CheckBox1")->isChecked());
    }

    void automaticPrintingSwitch()
    {
        Fixture f;
        TFrmMain &w = *f.window;
        QAction *autoPrint = findItem(w.menuBar(), QStringLiteral("打印申报表/自动打印申报表"));
        QAction *printItem = findItem(w.menuBar(), QStringLiteral("打印申报表/打印申报表"));
        auto *btnPrt = f.find<QPushButton>("btnPrt");

        autoPrint->trigger();
        QVERIFY(AppSettings().AutoPrint);
        QCOMPARE(f.ini("Other", "AutoPrint"), QStringLiteral("1"));
        QVERIFY(w.PrintTimer()->isActive());
        QVERIFY(!btnPrt->isEnabled() && !printItem->isEnabled());
        QCOMPARE(w.PanelText(0), QStringLiteral("当前状态：自动打印申报表"));

        autoPrint->trigger();
        QVERIFY(!AppSettings().AutoPrint);
        QCOMPARE(f.ini("Other", "AutoPrint"), QStringLiteral("0"));
        QVERIFY(!w.PrintTimer()->isActive());
        QVERIFY(btnPrt->isEnabled() && printItem->isEnabled());
        QCOMPARE(w.PanelText(0), QStringLiteral("当前状态：手工打印申报表"));
    }

    void automaticUploadSwitches()
    {
        Fixture f("[SBConfig]\nSBType=2\n[Other]\nInterTime=0x3C\n");
        TFrmMain &w = *f.window;
        QAction *autoUpload = findItem(w.menuBar(), QStringLiteral("上传数据/自动上传数据"));
        autoUpload->trigger();
        QCOMPARE(f.ini("NetConfig", "AutoUpload"), QStringLiteral("1"));
        QVERIFY(w.PrintTimer()->isActive());
        QCOMPARE(w.PrintTimer()->interval(), 60000);
        QVERIFY(!f.find<QPushButton>("btnPrt")->isEnabled());

        QTest::mouseClick(f.find<QCheckBox>("CheckBox1"), Qt::LeftButton);
        QVERIFY(AppSettings().ShowInput);
        QCOMPARE(f.ini("NetConfig", "ShowInput"), QStringLiteral("1"));

        autoUpload->trigger();
        QCOMPARE(f.ini("NetConfig", "AutoUpload"), QStringLiteral("0"));
        QVERIFY(!w.PrintTimer()->isActive());
        QCOMPARE(w.PanelText(0), QStringLiteral("当前状态：手工上传申报数据"));
    }

    // The settings file refuses the new state of a switch: the window keeps showing the old one.
    void refusedSwitchChangeLeavesTheWindowAsItWas_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("status");
        QTest::newRow("automatic printing") << QByteArray() << "打印申报表/自动打印申报表" << "当前状态：手工打印申报表";
        QTest::newRow("automatic upload") << QByteArray("[SBConfig]\nSBType=2\n") << "上传数据/自动上传数据"
                                          << "当前状态：手工上传申报数据";
        QTest::newRow("buyer input") << QByteArray("[SBConfig]\nSBType=2\n") << "CheckBox1" << "当前状态：手工上传申报数据";
    }

    void refusedSwitchChangeLeavesTheWindowAsItWas()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, item);
        QFETCH(QString, status);
        Fixture f(ini);
        TFrmMain &w = *f.window;
        const QByteArray stored = f.settings.read();
        QFile::setPermissions(f.settings.path(), QFileDevice::ReadOwner);
        auto *box = f.find<QCheckBox>("CheckBox1");
        QAction *action = findItem(w.menuBar(), item);
        if (action)
            action->trigger();
        else
            QTest::mouseClick(box, Qt::LeftButton);

        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.boxes.shown[0].text, QStringLiteral("Unable to write to %1").arg(f.settings.path()));
        QCOMPARE(f.settings.read(), stored);
        QVERIFY(!(action ? action->isChecked() : box->isChecked()));
        QVERIFY(!AppSettings().AutoPrint && !AppSettings().AutoUpload && !AppSettings().ShowInput);
        QVERIFY(!w.PrintTimer()->isActive());
        QVERIFY(f.find<QPushButton>("btnPrt")->isEnabled());
        QCOMPARE(w.PanelText(0), status);
    }

    // A barcode library that does not start stops the settings load before the switches: the
    // operator's stored switch stays.
    void switchesThatWereNeverReadAreNotWritten()
    {
        TempSettings settings;
        settings.write("[DataBase]\r\nDSN=\r\n[Other]\r\nAutoPrint=1\r\n");
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        FixedClock clock(StartTime);
        MainWindowOptions options;
        options.barcodeLibraryPath = QStringLiteral(FAKE_PARTIAL_PATH);
        options.clock = &clock;
        TFrmMain w(options);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("条码打印函数初始化失败！"));
        QCOMPARE(TAppIniFile().ReadString(QStringLiteral("Other"), QStringLiteral("AutoPrint"), {}), QStringLiteral("1"));
        QVERIFY(!w.PrintTimer()->isActive());

        // Once the operator sets it, it is the operator's to store.
        findItem(w.menuBar(), QStringLiteral("打印申报表/自动打印申报表"))->trigger();
        findItem(w.menuBar(), QStringLiteral("打印申报表/自动打印申报表"))->trigger();
        QCOMPARE(TAppIniFile().ReadString(QStringLiteral("Other"), QStringLiteral("AutoPrint"), {}), QStringLiteral("0"));
    }

    void timerDispatchesByMode_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("prints");
        QTest::addColumn<int>("uploads");
        QTest::newRow("barcode") << QByteArray() << 1 << 0;
        QTest::newRow("online") << QByteArray("[SBConfig]\nSBType=2\n") << 0 << 1;
    }

    void timerDispatchesByMode()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, prints);
        QFETCH(int, uploads);
        Fixture f(ini);
        int printed = 0;
        int uploaded = 0;
        f.window->SetAutomaticSteps([&] { ++printed; }, [&] { ++uploaded; });
        f.window->PrintTimer()->setSingleShot(true);
        f.window->PrintTimer()->start(0);
        QTRY_COMPARE(printed + uploaded, 1);
        QCOMPARE(printed, prints);
        QCOMPARE(uploaded, uploads);
    }

    void errorInAHandlerIsShownAndTheProgramGoesOn()
    {
        Fixture f;
        f.window->SetAutomaticSteps([] { throw EIniFileError(QStringLiteral("Unable to write to x.ini")); }, {});
        f.window->PrintTimer()->setSingleShot(true);
        f.window->PrintTimer()->start(0);
        QTRY_COMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.boxes.shown[0].kind, MessageKind::Error);
        QCOMPARE(f.boxes.shown[0].text, QStringLiteral("Unable to write to x.ini"));
        // The window still answers.
        findItem(f.window->menuBar(), QStringLiteral("打印申报表/自动打印申报表"))->trigger();
        QVERIFY(f.window->PrintTimer()->isActive());
        QCOMPARE(f.boxes.shown.size(), 1);
    }

    void errorThatEscapesAHandlerIsShownByTheApplication()
    {
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        ThrowingObject object;
        QEvent event(QEvent::User);
        QCOMPARE(QCoreApplication::sendEvent(&object, &event), false);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("处理失败"));
    }

    void missingBarcodeLibraryLeavesTheDesignTimeWindow()
    {
        TempSettings settings;
        RecordingMessageBoxes boxes;
        ScopedMessageBoxes scope(boxes);
        MainWindowOptions options;
        options.barcodeLibraryPath = settings.folder() + QStringLiteral("/libBarcodedll.so");
        TFrmMain w(options);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].kind, MessageKind::Error);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("找不到动态库Barcodedll.dll"));
        // Nothing after the settings ran: no shaping, no switches, no data source.
        QCOMPARE(w.findChild<QPushButton *>(QStringLiteral("btnPrt"))->text(), QStringLiteral("打 印"));
        QVERIFY(findItem(w.menuBar(), QStringLiteral("文件/设置申报方式"))->isVisible());
        QCOMPARE(w.PanelText(0), QString());
        QVERIFY(!w.PrintTimer()->isActive());
        QCOMPARE(AppSettings().Dsn, QString());
        QCOMPARE(TAppIniFile().ReadString(QStringLiteral("Other"), QStringLiteral("AutoPrint"), QStringLiteral("<none>")),
                 QStringLiteral("<none>"));
        QVERIFY(w.BarCode() == nullptr);
    }

    void invoiceFiltersTakeDigitsOnly()
    {
        Fixture f;
        auto *number = f.find<TNumberEdit>("edtFPHM");
        auto *code = f.find<TNumberEdit>("edtFPDM");
        QVERIFY(number && code);
        QTest::keyClicks(number, QStringLiteral("12a345678901"));
        QCOMPARE(number->text(), QStringLiteral("12345678"));
        QTest::keyClicks(code, QStringLiteral("1320-00000001"));
        QCOMPARE(code->text(), QStringLiteral("132000000001"));
    }

    void windowCoversTheScreen()
    {
        Fixture f;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(f.window->size(), screen.size());
        QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
    }

    void trayMenuAndHint()
    {
        Fixture f;
        TMyTrayIcon *tray = f.window->TrayIcon1();
        QCOMPARE(visibleItems(f.window->TrayMenu()), (QStringList{"打开主窗口", "帮助", "关于", "退出"}));
        QCOMPARE(tray->PopupMenu(), f.window->TrayMenu());
        tray->SetHint(QString(200, QLatin1Char('x')));
        QCOMPARE(tray->ToolTip().size(), TMyTrayIcon::MaxHintLength);
        tray->SetShowHint(false);
        QCOMPARE(tray->ToolTip(), QString());
    }

    void trayMouseActions()
    {
        Fixture f;
        TMyTrayIcon *tray = f.window->TrayIcon1();
        QSignalSpy clicks(tray, &TMyTrayIcon::OnClick);
        QSignalSpy doubleClicks(tray, &TMyTrayIcon::OnDblClick);

        tray->SetEnabled(false);
        tray->HandleActivation(QSystemTrayIcon::Trigger);
        tray->HandleActivation(QSystemTrayIcon::DoubleClick);
        QCOMPARE(clicks.count() + doubleClicks.count(), 0);

        tray->SetEnabled(true);
        tray->HandleActivation(QSystemTrayIcon::Trigger);
        QCOMPARE(clicks.count(), 1);
        // No default item in the tray menu: a double click opens nothing.
        tray->HandleActivation(QSystemTrayIcon::DoubleClick);
        QCOMPARE(doubleClicks.count(), 1);
        QVERIFY(!f.window->isVisible());
        QVERIFY(f.boxes.shown.isEmpty());
    }

    void openFromTheTrayAndMinimiseBack()
    {
        Fixture f;
        TFrmMain &w = *f.window;
        w.ShowAtStart();
        QVERIFY(!w.isVisible());
        f.window->TrayMenu()->actions().at(0)->trigger(); // 打开主窗口
        QVERIFY(w.isVisible());
        QVERIFY(w.windowState() & Qt::WindowMaximized);
        w.setWindowState(w.windowState() | Qt::WindowMinimized);
        QTRY_VERIFY(!w.isVisible());
    }

    void withoutANotificationAreaTheWindowStaysReachable()
    {
        Fixture f({}, false);
        TFrmMain &w = *f.window;
        w.ShowAtStart();
        QVERIFY(w.isVisible());
        w.setWindowState(w.windowState() | Qt::WindowMinimized);
        QTest::qWait(50);
        QVERIFY(w.isVisible());
    }

    void aboutBox()
    {
        Fixture f(QStringLiteral("[Version]\nVer=2.0.0.1\nName=某汽车销售有限公司\n").toUtf8().replace("某汽车销售有限公司", Gbk::encode(QStringLiteral("某汽车销售有限公司"))));
        QStringList lines;
        QString title;
        bool onTop = false;
        QTimer::singleShot(0, [&] {
            auto *about = qobject_cast<TfrmAbout *>(QApplication::activeModalWidget());
            QVERIFY(about);
            title = about->windowTitle();
            onTop = about->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            for (int i = 0; i < 3; ++i)
                lines << about->Line(i);
            about->accept();
        });
        findItem(f.window->menuBar(), QStringLiteral("帮助/关于"))->trigger();
        QCOMPARE(title, QStringLiteral("关于"));
        QVERIFY(onTop);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("Quorvant"));
        QVERIFY2(QRegularExpression(QStringLiteral("^Version 2\\.0\\.0\\.1  \\(Build \\d{6}-\\d{6}\\)$")).match(lines[1]).hasMatch(),
                 qPrintable(lines[1]));
        QVERIFY(lines[2].contains(QStringLiteral("某汽车销售有限公司")));
        QCOMPARE(TfrmAbout::VersionLine(QStringLiteral("1.1.0.0"), QDateTime(QDate(2026, 12, 1), QTime(9, 5, 7))),
                 QStringLiteral("Version 1.1.0.0  (Build 261201-090507)"));
    }

    // The help file opens with the desktop's handler for it; without one nothing opens and
    // nothing is said.
    void helpOpensTheHelpFileWhenThereIsOne()
    {
        Fixture f;
        UrlRecorder opened;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
        AppSettings().AppDir = f.settings.folder() + QLatin1Char('/');
        QAction *help = findItem(f.window->menuBar(), QStringLiteral("帮助/帮助"));
        help->trigger();
        QVERIFY(opened.urls.isEmpty());

        const QString file = f.settings.folder() + QStringLiteral("/Help.chm");
        writeFileBytes(file, "ITSF");
        help->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(file)});
        QVERIFY(f.boxes.shown.isEmpty());
    }

    void startUpPreparesTheDatabase_data() { AddBackendRows(); }
    void startUpPreparesTheDatabase()
    {
        QFETCH(Backend, backend);
        SKIP_UNAVAILABLE(backend);
        TestDatabase db(backend);
        InsertSeller(db.connection(), TestSeller());
        for (const char *number : {"00000001", "00000002"}) {
            DemoInvoice v;
            v.jddm = QStringLiteral("132000000001");
            v.jdhm = QString::fromLatin1(number);
            v.kprq = QStringLiteral("2026-12-10 09:00:00");
            v.kpsj = QStringLiteral("2026-12-10 09:00:00.000");
            v.jshj = QStringLiteral("100000");
            v.zzsse = QStringLiteral("14529.91");
            InsertInvoice(db.connection(), v);
        }
        Fixture f("[DataBase]\r\nDSN=" + db.dsn().toLatin1() + "\r\n[SBConfig]\r\nSBType=2\r\n");
        QVERIFY2(f.boxes.shown.isEmpty(), f.boxes.shown.isEmpty() ? "" : qPrintable(f.boxes.shown[0].text));
        QVERIFY(!f.window->StartupEnded());
        QCOMPARE(Seller().SellerTaxNo, QStringLiteral("110101200801010"));
        QCOMPARE(AppSettings().AuthenPwd, QStringLiteral("110101200801010"));
        QVERIFY(db.connection().Tables().contains(QStringLiteral("kerrowvantis"), Qt::CaseInsensitive));
        QVERIFY(f.window->TrayIcon1()->Enabled());

        f.window->show(); // showing the window lists today's invoices
        QCOMPARE(f.window->PanelText(1), QStringLiteral("  共查询到2条记录!"));
        QCOMPARE(f.window->GridModel()->Cell(0, InvoiceGridModel::colTotal), QStringLiteral("100000.00"));
        QCOMPARE(f.window->Grid()->currentIndex().row(), 0);
        // Online declaration colours the rows: none of them is uploaded yet.
        const QVariant colour = f.window->GridModel()->data(f.window->GridModel()->index(0, 1), Qt::BackgroundRole);
        QCOMPARE(colour.value<QBrush>().color(), QGuiApplication::palette().color(QPalette::ToolTipBase));

        // The context menu attached while there was a row, then the list emptied: it is refused.
        QTest::mousePress(f.window->Grid()->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        f.find<QComboBox>("cbxSCZT")->setCurrentIndex(2); // 已上传
        QTest::mouseClick(f.find<QPushButton>("btnQry"), Qt::LeftButton);
        QCOMPARE(f.window->PanelText(1), QStringLiteral("  共查询到0条记录!"));
        emit f.window->Grid()->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.boxes.shown[0].text, QStringLiteral("没有要导出的信息！"));
        // Right-clicking an empty grid attaches nothing, so nothing is said.
        QTest::mousePress(f.window->Grid()->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        emit f.window->Grid()->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(f.boxes.shown.size(), 1);

        f.find<QDateEdit>("dtpStart")->setDate(QDate(2026, 12, 11));
        QTest::mouseClick(f.find<QPushButton>("btnQry"), Qt::LeftButton);
        QCOMPARE(f.boxes.shown.size(), 2);
        QCOMPARE(f.boxes.shown[1].text, QStringLiteral("起始日期不能大于截止日期！"));
    }

    // Start-up prunes the upload journal of entries older than a year.
    void startUpPrunesTheUploadJournal()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        const auto restore = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
        {
            UploadJournal journal;
            for (const QDateTime &time : {StartTime.addDays(-400), StartTime.addDays(-300)}) {
                JournalEntry entry;
                entry.time = time;
                entry.invoiceNumber = time.toString(QStringLiteral("yyyyMMdd"));
                QVERIFY(journal.Append(entry) > 0);
            }
        }
        Fixture f;
        const QList<JournalEntry> kept = UploadJournal().Entries(StartTime.date().addYears(-2), StartTime.date());
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept[0].time, StartTime.addDays(-300));
    }

    // "手工输入申报表" stays hidden unless [Other] ManualInput=1, and only in barcode declaration.
    void manualEntryShownWhenTurnedOn_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("visible");
        QTest::newRow("default") << QByteArray() << false;
        QTest::newRow("turned on") << QByteArray("[Other]\r\nManualInput=1\r\n") << true;
        QTest::newRow("online declaration") << QByteArray("[SBConfig]\r\nSBType=2\r\n[Other]\r\nManualInput=1\r\n") << false;
    }
    void manualEntryShownWhenTurnedOn()
    {
        QFETCH(QByteArray, ini);
        Fixture f(ini);
        QAction *item = findItem(f.window->menuBar(), QStringLiteral("打印申报表/手工输入申报表"));
        QVERIFY(item);
        QTEST(item->isVisible(), "visible");
    }

    // "导出" in the grid's context menu exports the selected row into the chosen folder, named
    // after the seller's tax office and taxpayer number and the time to the millisecond.
    void contextExportWritesTheRecord()
    {
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), TestSeller());
        DemoInvoice v;
        v.jddm = QStringLiteral("132000000001");
        v.jdhm = QStringLiteral("00000001");
        v.kprq = QStringLiteral("2026-12-10 09:00:00");
        v.kpsj = QStringLiteral("2026-12-10 09:00:00.000");
        v.jshj = QStringLiteral("100000");
        InsertInvoice(db.connection(), v);
        QTemporaryDir out;
        ScriptedBrowser browser;
        browser.answer = out.path();
        ScriptedPrompt prompt;
        prompt.answers = {BuyerDetails{QStringLiteral("身份证"), QStringLiteral("0512"), QStringLiteral("215500"),
                                       QStringLiteral("常熟"), QStringLiteral("1.6")}};
        Fixture f("[DataBase]\r\nDSN=" + db.dsn().toLatin1() + "\r\n[SBConfig]\r\nSBType=1\r\n", true,
                  [&](MainWindowOptions &options) {
                      options.folderBrowser = &browser;
                      options.detailsPrompt = &prompt;
                  });
        f.window->show();
        QCOMPARE(f.window->Grid()->currentIndex().row(), 0);
        QAction *item = nullptr;
        for (QAction *action : f.window->PopupMenu1()->actions()) {
            if (action->text() == QStringLiteral("导出"))
                item = action;
        }
        QVERIFY(item && item->isVisible());
        item->trigger();
        const QString name = QStringLiteral("13205810000_110101200801010_20261210101500250.dat");
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{name});
        // No error, only the word that the file is there, and where.
        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.boxes.shown[0].kind, MessageKind::Information);
        QCOMPARE(f.boxes.shown[0].text, QStringLiteral("导出成功：") + QDir::toNativeSeparators(out.filePath(name)));
        QCOMPARE(f.window->GridModel()->Cell(0, InvoiceGridModel::colAddress), QStringLiteral("常熟"));
    }

    // The password is read before the buyer table is made; one that does not decipher is shown
    // and the start-up goes on.
    void damagedPasswordStillPreparesTheBuyerTable()
    {
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), TestSeller());
        Fixture f("[DataBase]\r\nDSN=" + db.dsn().toLatin1() + "\r\n[SBConfig]\r\nSBType=2\r\n[NetConfig]\r\nAuthenPwd=QUJDREU=\r\n");
        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.boxes.shown[0].kind, MessageKind::Error);
        QVERIFY(!f.window->StartupEnded());
        QCOMPARE(AppSettings().AuthenPwd, QString());
        QCOMPARE(f.ini("NetConfig", "AuthenPwd"), QStringLiteral("QUJDREU="));
        QVERIFY(db.connection().Tables().contains(QStringLiteral("kerrowvantis"), Qt::CaseInsensitive));
    }

    // A settings file that takes no writes from the start: the program says so once and starts
    // whole, with the file's settings, its database and the first password in memory.
    void unwritableSettingsFileStopsNoStartUp_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("immutable file") << "immutable";
        QTest::newRow("full file system") << "full";
        QTest::newRow("a folder in place of the file") << "folder";
    }
    void unwritableSettingsFileStopsNoStartUp()
    {
        QFETCH(QString, fault);
        TestDatabase db(Backend::SQLite);
        InsertSeller(db.connection(), TestSeller());
        std::optional<SmallFileSystem> small;
        std::optional<ImmutableFile> locked;
        bool faulted = false;
        const QByteArray ini = "[DataBase]\r\nDSN=" + db.dsn().toLatin1() + "\r\n[SBConfig]\r\nSBType=2\r\n";
        Fixture f(ini, true, [&](MainWindowOptions &) {
            const QString path = SettingsFilePath();
            if (fault == QLatin1String("immutable")) {
                faulted = locked.emplace(path).made();
            } else if (fault == QLatin1String("full")) {
                small.emplace(QFileInfo(path).absolutePath());
                writeFileBytes(path, ini);
                small->fill();
                faulted = small->mounted();
            } else {
                faulted = QFile::remove(path) && QDir().mkdir(path);
            }
        });
        const auto undo = qScopeGuard([&] {
            small.reset();
            locked.reset();
        });
        if (!faulted)
            QSKIP("the fault cannot be made here");
        QVERIFY(!f.boxes.shown.isEmpty());
        QCOMPARE(f.boxes.shown[0].kind, MessageKind::Warning);
        QVERIFY2(f.boxes.shown[0].text.startsWith(QStringLiteral("设置文件无法写入：Unable to write to ")),
                 qPrintable(f.boxes.shown[0].text));
        QCOMPARE(AppSettings().InterTime, 30); // the settings were loaded
        if (fault == QLatin1String("folder")) {
            // Nothing could be read: the defaults, and no such data source.
            QCOMPARE(f.boxes.shown.size(), 2);
            QVERIFY(f.boxes.shown[1].text.startsWith(QStringLiteral("数据库连接失败")));
            return;
        }
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY(!f.window->StartupEnded());
        QCOMPARE(f.window->PanelText(0), QStringLiteral("当前状态：手工上传申报数据"));
        QCOMPARE(AppSettings().AuthenPwd, QStringLiteral("110101200801010"));
        QVERIFY(db.connection().Tables().contains(QStringLiteral("kerrowvantis"), Qt::CaseInsensitive));
        QCOMPARE(readFileBytes(SettingsFilePath()), ini);
    }

    void startUpThatEndsTheProgram_data()
    {
        QTest::addColumn<QByteArray>("dsn");
        QTest::addColumn<bool>("withSeller");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("no such data source") << QByteArray("kv_missing") << true << int(MessageKind::Error)
                                             << "数据库连接失败，请检查是否安装机动车开票软件！";
        QTest::newRow("no seller") << QByteArray("kvtest_sqlite") << false << int(MessageKind::Warning)
                                   << "请先设置机动车开票软件的企业基本信息！";
    }

    void startUpThatEndsTheProgram()
    {
        QFETCH(QByteArray, dsn);
        QFETCH(bool, withSeller);
        QFETCH(int, kind);
        QFETCH(QString, text);
        TestDatabase db(Backend::SQLite);
        if (withSeller)
            InsertSeller(db.connection(), {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
        Fixture f("[DataBase]\r\nDSN=" + dsn + "\r\n");
        QVERIFY(f.window->StartupEnded());
        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(int(f.boxes.shown[0].kind), kind);
        QVERIFY2(f.boxes.shown[0].text.startsWith(text), qPrintable(f.boxes.shown[0].text));
        QVERIFY(f.window->TrayIcon1()->Enabled());
        QVERIFY(!db.connection().Tables().contains(QStringLiteral("kerrowvantis"), Qt::CaseInsensitive));
    }

    // A box of the start-up left open: the polling timer ticks behind it, and the step it runs
    // finds the window ready for it.
    void timerTickBehindAStartUpBox()
    {
        TempSettings settings;
        settings.write("[DataBase]\r\nDSN=kv_missing\r\n[Other]\r\nAutoPrint=1\r\nInterTime=1\r\n");
        class WaitingBoxes final : public MessageBoxes
        {
        public:
            void show(MessageKind, const QString &text) override
            {
                shown << text;
                if (shown.size() == 1)
                    QTest::qWait(1600);
            }
            bool askYesNo(const QString &) override { return false; }
            QStringList shown;
        } boxes;
        ScopedMessageBoxes scope(boxes);
        FixedClock clock(StartTime);
        ImagePrinters printers(150, 0);
        MainWindowOptions options;
        options.barcodeLibraryPath = Dll;
        options.clock = &clock;
        options.printers = &printers;
        options.trayAvailable = false;
        TFrmMain window(options);
        QVERIFY(window.StartupEnded());
        QVERIFY2(boxes.shown.size() >= 2, qPrintable(boxes.shown.join(QLatin1Char('\n'))));
        QVERIFY(boxes.shown[0].startsWith(QStringLiteral("数据库连接失败")));
        QVERIFY(printers.pages.isEmpty());
    }

    // Closing the main window ends the program: the running event loop returns.
    void closeButtonEndsTheProgram()
    {
        Fixture f;
        f.window->show();
        QSignalSpy ending(qApp, &QCoreApplication::aboutToQuit);
        QTimer::singleShot(0, f.window.get(), [&] { QTest::mouseClick(f.find<QPushButton>("btnClose"), Qt::LeftButton); });
        // Should the window not end the program, the loop is ended from outside with 1.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        guard.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(ending.size(), 1);
        QVERIFY(!f.window->isVisible());
    }
};

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
