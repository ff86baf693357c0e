#include "FrmMain.h"

#include "AppIcon.h"
#include "FrmAbout.h"
#include "MyTrayIcon.h"
#include "config/AppError.h"
#include "config/ErrorDisplay.h"
#include "config/MessageBoxes.h"
#include "config/ModalDialogs.h"
#include "config/Settings.h"
#include "config/SettingsNotice.h"
#include "config/TimeText.h"
#include "db/BuyerDetails.h"
#include "db/InvoiceGridModel.h"
#include "db/InvoiceQuery.h"
#include "db/JdcConnection.h"
#include "db/SellerDetails.h"
#include "declare/Bookmark.h"
#include "declare/PrintFlow.h"
#include "declare/RecordExport.h"
#include "declare/UploadFlow.h"
#include "entry/DialogDetailsPrompt.h"
#include "entry/FrmMKNormalInv.h"
#include "entry/NumberEdit.h"
#include "print/DialogFormPreview.h"
#include "print/FrmAdjustPrint.h"
#include "print/FrmSelectPrinter.h"
#include "print/FrmSetPrintTime.h"
#include "print/PDF417BarCode.h"
#include "print/QtPrinters.h"
#include "reports/FrmMKICData.h"
#include "reports/FrmMKSaleReport.h"
#include "reports/FolderBrowser.h"
#include "reports/FrmSBSJ.h"
#include "upload/FrmSBType.h"
#include "upload/SetAuthenPwdForm.h"
#include "upload/SetNetworkForm.h"
#include "upload/FrmUploadJournal.h"
#include "upload/UploadJournal.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QShowEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("Quorvant");

int tagOf(const QAction *action)
{
    return action->property("Tag").toInt();
}

// Hidden when it belongs to the other declaration mode.
bool belongsToOtherMode(const QAction *action, int mode)
{
    const int tag = tagOf(action);
    return tag != TFrmMain::TagBoth && tag != mode;
}

QLabel *makeLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

void runTimer(QTimer *timer, bool on)
{
    if (!on)
        timer->stop();
    else if (!timer->isActive())
        timer->start();
}

QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

TFrmMain::TFrmMain(const MainWindowOptions &options)
    : m_clock(options.clock ? options.clock : &systemClock())
    , m_jdc(std::make_unique<TJdcConnection>())
    , m_settingsNotice(std::make_unique<UnsavedSettingsNotice>())
    , m_bookmark(std::make_unique<AutomaticBookmark>(*m_clock, *m_settingsNotice))
{
    m_autoPrintStep = [this] { AutoPrintNext(); };
    m_autoUploadStep = [this] { AutoUploadStep(); };
    setObjectName(QStringLiteral("FrmMain"));
    CreateComponents();
    m_trayIcon = new TMyTrayIcon(this, options.trayAvailable);
    m_trayIcon->setObjectName(QStringLiteral("TrayIcon1"));
    m_trayIcon->SetIcon(AppIcon());
    m_trayIcon->SetShowHint(true);
    m_trayIcon->SetPopupMenu(m_trayMenu);
    m_trayIcon->SetMinimizeToTray(true);
    m_trayIcon->SetStartMinimized(true);
    setWindowIcon(AppIcon());

    // The flows exist before start-up runs: a box it shows lets the timer tick.
    Printers *printers = options.printers;
    if (!printers) {
        m_ownPrinters = std::make_unique<QtPrinters>();
        printers = m_ownPrinters.get();
    }
    DetailsPrompt *prompt = options.detailsPrompt;
    if (!prompt) {
        m_ownDetailsPrompt = std::make_unique<DialogDetailsPrompt>(*m_jdc);
        prompt = m_ownDetailsPrompt.get();
    }
    PrinterChoice *choice = options.printerChoice;
    if (!choice) {
        m_ownPrinterChoice = std::make_unique<DialogPrinterChoice>();
        choice = m_ownPrinterChoice.get();
    }
    m_detailsPrompt = prompt;
    m_folderBrowser = options.folderBrowser;
    if (!m_folderBrowser) {
        m_ownFolderBrowser = std::make_unique<QtFolderBrowser>();
        m_folderBrowser = m_ownFolderBrowser.get();
    }
    m_formPreview = options.formPreview;
    if (!m_formPreview) {
        m_ownFormPreview = std::make_unique<DialogFormPreview>(*printers, m_barcode);
        m_formPreview = m_ownFormPreview.get();
    }
    const DeclarationSeams seams{*m_jdc, *this, *prompt, *m_clock, *m_bookmark};
    m_printFlow = std::make_unique<PrintFlow>(seams, *printers, *choice, m_barcode);
    m_uploadFlow = std::make_unique<UploadFlow>(seams);

    // FormCreate
    RunGuarded([&] { InitMainWindow(options); });
}

TFrmMain::~TFrmMain() = default; // FormDestroy: the barcode library goes with m_barcode

std::function<void()> TFrmMain::Guarded(void (TFrmMain::*handler)())
{
    return [this, handler] { RunGuarded([&] { (this->*handler)(); }); };
}

void TFrmMain::CreateComponents()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(CreateFilterArea());

    m_dsGrid1 = new QTableView(central);
    m_dsGrid1->setObjectName(QStringLiteral("dsGrid1"));
    SetUpGrid();
    layout->addWidget(m_dsGrid1, 1);
    setCentralWidget(central);

    auto *statusBar1 = new QStatusBar(this);
    statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    statusBar1->setSizeGripEnabled(false);
    QFont statusFont(QStringLiteral("宋体"));
    statusFont.setPixelSize(16);
    statusBar1->setFont(statusFont);
    statusBar1->setStyleSheet(QStringLiteral("QStatusBar { color: red; }"));
    const int widths[3] = {300, 200, 50};
    const char *colours[3] = {"red", "blue", "red"};
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(statusBar1);
        m_panels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_panels[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_panels[i]->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(colours[i])));
        if (i < 2) {
            QFont panelFont(QStringLiteral("宋体"), 12);
            m_panels[i]->setFont(panelFont);
            m_panels[i]->setFixedWidth(widths[i]);
            statusBar1->addWidget(m_panels[i]);
        } else {
            // The last panel takes the rest of the bar, in the bar's own font.
            m_panels[i]->setFont(statusFont);
            m_panels[i]->setMinimumWidth(widths[i]);
            statusBar1->addWidget(m_panels[i], 1);
        }
    }
    setStatusBar(statusBar1);

    m_printTimer = new QTimer(this);
    m_printTimer->setObjectName(QStringLiteral("PrintTimer"));
    connect(m_printTimer, &QTimer::timeout, this, Guarded(&TFrmMain::PrintTimerTimer));

    CreateMenus();
}

void TFrmMain::SetUpGrid()
{
    m_gridModel = new InvoiceGridModel(this);
    m_dsGrid1->setModel(m_gridModel);
    m_dsGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_dsGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_dsGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_dsGrid1->setWordWrap(false);

    QFont body(QStringLiteral("宋体"));
    body.setPixelSize(14);
    m_dsGrid1->setFont(body);
    QFont heading(QStringLiteral("宋体"));
    heading.setPixelSize(12);
    QHeaderView *columns = m_dsGrid1->horizontalHeader();
    columns->setFont(heading);
    columns->setDefaultAlignment(Qt::AlignCenter);
    columns->setFixedHeight(20);
    // Fixed row heights: a hundred thousand rows are never measured one by one.
    QHeaderView *rows = m_dsGrid1->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(18);
    rows->setMinimumWidth(23);
    rows->setFont(heading);
    for (int column = 0; column < InvoiceGridModel::ColumnCount; ++column) {
        const InvoiceGridModel::Column &info = InvoiceGridModel::ColumnAt(column);
        m_dsGrid1->setColumnWidth(column, info.width);
        m_dsGrid1->setColumnHidden(column, info.hidden);
    }

    QPalette palette = m_dsGrid1->palette();
    palette.setColor(QPalette::Highlight, QColor(0, 0, 128)); // navy
    palette.setColor(QPalette::HighlightedText, palette.color(QPalette::Window));
    m_dsGrid1->setPalette(palette);

    m_dsGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    m_dsGrid1->viewport()->installEventFilter(this);
    connect(m_dsGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &position) { RunGuarded([&] { PopupMenu1Popup(position); }); });
}

QWidget *TFrmMain::CreateFilterArea()
{
    auto *area = new QWidget(this);
    auto *row = new QHBoxLayout(area);

    m_checkBox1 = new QCheckBox(QStringLiteral("上传是否输入购车人信息"), area);
    m_checkBox1->setObjectName(QStringLiteral("CheckBox1"));
    connect(m_checkBox1, &QCheckBox::clicked, this, Guarded(&TFrmMain::CheckBox1Click));
    row->addWidget(m_checkBox1);

    m_lblSCZT = makeLabel(QStringLiteral("上传状态"), area);
    m_lblSCZT->setObjectName(QStringLiteral("lblSCZT"));
    m_cbxSCZT = new QComboBox(area);
    m_cbxSCZT->setObjectName(QStringLiteral("cbxSCZT"));
    m_cbxSCZT->addItems({QStringLiteral("全部"), QStringLiteral("未上传"), QStringLiteral("已上传")});
    m_cbxSCZT->setCurrentIndex(0);
    row->addWidget(m_lblSCZT);
    row->addWidget(m_cbxSCZT);

    const auto addDate = [&](const QString &label, const QString &name) {
        auto *edit = new QDateEdit(area);
        edit->setObjectName(name);
        edit->setCalendarPopup(true);
        row->addWidget(makeLabel(label, area));
        row->addWidget(edit);
        return edit;
    };
    m_dtpStart = addDate(QStringLiteral("起始时间"), QStringLiteral("dtpStart"));
    m_dtpEnd = addDate(QStringLiteral("结束时间"), QStringLiteral("dtpEnd"));

    const auto addNumber = [&](const QString &label, const QString &name, int maxLength) {
        auto *edit = new TNumberEdit(area);
        edit->setObjectName(name);
        edit->setMaxLength(maxLength);
        row->addWidget(makeLabel(label, area));
        row->addWidget(edit);
        return edit;
    };
    m_edtFPHM = addNumber(QStringLiteral("发票号码"), QStringLiteral("edtFPHM"), 8);
    m_edtFPDM = addNumber(QStringLiteral("发票代码"), QStringLiteral("edtFPDM"), 12);

    row->addStretch(1);
    m_btnQry = makeButton(QStringLiteral("btnQry"), QStringLiteral("查 询"), area);
    m_btnPrt = makeButton(QStringLiteral("btnPrt"), QStringLiteral("打 印"), area);
    m_btnMakeReport = makeButton(QStringLiteral("btnMakeReport"), QStringLiteral("生成报表"), area);
    m_btnPrtAdjust = makeButton(QStringLiteral("btnPrtAdjust"), QStringLiteral("打印微调"), area);
    m_btnPrtAdjust->setVisible(false);
    m_btnClose = makeButton(QStringLiteral("btnClose"), QStringLiteral("退 出"), area);
    connect(m_btnQry, &QPushButton::clicked, this, Guarded(&TFrmMain::btnQryClick));
    connect(m_btnPrt, &QPushButton::clicked, this, Guarded(&TFrmMain::btnPrtClick));
    connect(m_btnPrtAdjust, &QPushButton::clicked, this, Guarded(&TFrmMain::btnPrtAdjustClick));
    connect(m_btnClose, &QPushButton::clicked, this, Guarded(&TFrmMain::btnCloseClick));
    connect(m_btnMakeReport, &QPushButton::clicked, this, Guarded(&TFrmMain::btnMakeReportClick));
    for (QPushButton *button : {m_btnQry, m_btnPrt, m_btnMakeReport, m_btnPrtAdjust, m_btnClose})
        row->addWidget(button);
    return area;
}

QAction *TFrmMain::AddItem(QMenu *menu, const QString &caption, int tag, void (TFrmMain::*handler)())
{
    QAction *action = menu->addAction(caption);
    action->setProperty("Tag", tag);
    if (handler)
        connect(action, &QAction::triggered, this, Guarded(handler));
    return action;
}

void TFrmMain::CreateMenus()
{
    QMenuBar *mainMenu1 = menuBar();
    mainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    // The commands of the printing, upload and report windows are connected where those live.
    QMenu *file = mainMenu1->addMenu(QStringLiteral("文件"));
    AddItem(file, QStringLiteral("设置打印间隔"), BarcodeDeclaration, &TFrmMain::N13Click);
    AddItem(file, QStringLiteral("上传参数设置"), OnlineDeclaration, &TFrmMain::N21Click);
    AddItem(file, QStringLiteral("修改上传密码"), OnlineDeclaration, &TFrmMain::N22Click);
    m_itemSBType = AddItem(file, QStringLiteral("设置申报方式"), TagBoth, &TFrmMain::N28Click);
    AddItem(file, QStringLiteral("退出"), TagBoth, &TFrmMain::btnCloseClick);

    QMenu *print = mainMenu1->addMenu(QStringLiteral("打印申报表"));
    AddItem(print, QStringLiteral("查询"), TagBoth, &TFrmMain::btnQryClick);
    m_itemPrint = AddItem(print, QStringLiteral("打印申报表"), BarcodeDeclaration, &TFrmMain::btnPrtClick);
    AddItem(print, QStringLiteral("打印微调"), BarcodeDeclaration, &TFrmMain::btnPrtAdjustClick);
    m_itemAutoPrint = AddItem(print, QStringLiteral("自动打印申报表"), BarcodeDeclaration, &TFrmMain::N12Click);
    m_itemAutoPrint->setCheckable(true);
    m_itemManualEntry = AddItem(print, QStringLiteral("手工输入申报表"), BarcodeDeclaration, &TFrmMain::N17Click);

    QMenu *reports = mainMenu1->addMenu(QStringLiteral("生成报表"));
    AddItem(reports, QStringLiteral("生成机动车销售月报表"), TagBoth, &TFrmMain::btnMakeReportClick);
    AddItem(reports, QStringLiteral("生成电子申报数据"), TagBoth, &TFrmMain::N11Click);
    AddItem(reports, QStringLiteral("生成上报数据"), TagBoth, &TFrmMain::N18Click);

    QMenu *upload = mainMenu1->addMenu(QStringLiteral("上传数据"));
    upload->menuAction()->setProperty("Tag", OnlineDeclaration);
    m_itemAutoUpload = AddItem(upload, QStringLiteral("自动上传数据"), OnlineDeclaration, &TFrmMain::N24Click);
    m_itemAutoUpload->setCheckable(true);
    m_itemManualUpload = AddItem(upload, QStringLiteral("手工上传数据"), OnlineDeclaration, &TFrmMain::ManualUpload);
    AddItem(upload, QStringLiteral("上传日志"), OnlineDeclaration, &TFrmMain::ShowUploadJournal);

    QMenu *help = mainMenu1->addMenu(QStringLiteral("帮助"));
    AddItem(help, QStringLiteral("帮助"), TagBoth, &TFrmMain::N15Click);
    AddItem(help, QStringLiteral("关于"), TagBoth, &TFrmMain::N10Click);

    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    AddItem(m_popupMenu1, QStringLiteral("导出"), BarcodeDeclaration, &TFrmMain::ExportRecord); // N19Click
    AddItem(m_popupMenu1, QStringLiteral("打印预览"), BarcodeDeclaration, &TFrmMain::PreviewSelectedDeclaration);
    m_contextUpload = AddItem(m_popupMenu1, QStringLiteral("手工上传"), OnlineDeclaration, &TFrmMain::ManualUpload);
    AddItem(m_popupMenu1, QStringLiteral("退出"), TagBoth);

    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("PopupMenu"));
    AddItem(m_trayMenu, QStringLiteral("打开主窗口"), TagBoth, &TFrmMain::MenuItem1Click);
    AddItem(m_trayMenu, QStringLiteral("帮助"), TagBoth, &TFrmMain::N15Click);
    AddItem(m_trayMenu, QStringLiteral("关于"), TagBoth, &TFrmMain::N10Click);
    AddItem(m_trayMenu, QStringLiteral("退出"), TagBoth, &TFrmMain::btnCloseClick);
}

void TFrmMain::InitMainWindow(const MainWindowOptions &options)
{
    // 1. The program's date conventions.
    for (QDateEdit *edit : {m_dtpStart, m_dtpEnd})
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));

    // 2. The window always covers exactly the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        setFixedSize(screen->geometry().size());
        move(screen->geometry().topLeft());
    }

    // 3, 4. Today in the date range; automatic work only takes invoices issued from now on.
    const QDateTime now = m_clock->now();
    m_dtpStart->setDate(now.date());
    m_dtpEnd->setDate(now.date());
    // A settings file that takes nothing stops nothing: the bookmark holds in memory, said once.
    m_bookmark->Reset();
    PruneUploadJournal(now); // entries older than a year

    // 5. Raises when the barcode library file is missing: nothing below runs then.
    if (options.barcodeLibraryPath.isEmpty())
        LoadSettings(m_barcode);
    else
        LoadSettings(m_barcode, options.barcodeLibraryPath);

    ApplyDeclarationMode();
    m_itemAutoPrint->setChecked(AppSettings().AutoPrint);
    try {
        RefreshAutoState();
    } catch (const EIniFileError &error) {
        // The switches as read; writing them back only repeats what the file holds.
        ShowAutoState();
        m_settingsNotice->Tell(error.text());
    }

    if (AppSettings().Dsn.isEmpty())
        return;
    PrepareDatabase();
}

void TFrmMain::PrepareDatabase()
{
    try {
        m_jdc->Open(AppSettings().Dsn);
    } catch (const AppError &error) {
        ShowError(QStringLiteral("数据库连接失败，请检查是否安装机动车开票软件！") + error.text());
        m_startupEnded = true;
        return;
    }

    // The tray ignores the operator while the seller is read, and answers again afterwards even
    // when the read fails.
    m_trayIcon->SetEnabled(false);
    bool sellerLoaded = false;
    try {
        sellerLoaded = LoadSellerDetails(*m_jdc);
    } catch (...) {
        m_trayIcon->SetEnabled(true);
        throw;
    }
    m_trayIcon->SetEnabled(true);
    if (!sellerLoaded) {
        m_startupEnded = true;
        return;
    }
    // A stored password that does not decipher only stops uploads, never the buyer table that
    // every query needs.
    try {
        AppSettings().AuthenPwd = ReadAuthenPwd();
    } catch (const EIniFileError &error) {
        // No password stored, and the file does not take the first one: it holds for this run.
        AppSettings().AuthenPwd = Seller().SellerTaxNo;
        m_settingsNotice->Tell(error.text());
    } catch (...) {
        ShowCurrentError();
        AppSettings().AuthenPwd.clear();
    }
    EnsureBuyerTable(*m_jdc);
    m_uploadFlow->SettleInterruptedUploads();
}

void TFrmMain::ApplyDeclarationMode()
{
    const int mode = AppSettings().SBType;
    for (QWidget *widget : std::initializer_list<QWidget *>{m_checkBox1, m_lblSCZT, m_cbxSCZT})
        widget->setVisible(mode == OnlineDeclaration);

    for (QAction *top : menuBar()->actions()) {
        if (belongsToOtherMode(top, mode))
            top->setVisible(false);
        if (QMenu *menu = top->menu()) {
            for (QAction *item : menu->actions())
                item->setVisible(!belongsToOtherMode(item, mode));
        }
    }
    for (QAction *item : m_popupMenu1->actions())
        item->setVisible(!belongsToOtherMode(item, mode));

    setWindowTitle(Caption);
    m_trayIcon->SetHint(windowTitle());
    m_gridModel->SetUploadColours(mode == OnlineDeclaration);

    if (mode == BarcodeDeclaration) {
        m_btnPrt->setText(QStringLiteral("打  印"));
        m_btnMakeReport->setVisible(true);
        m_btnPrtAdjust->setVisible(true);
    } else {
        m_btnPrt->setText(QStringLiteral("上  传"));
        m_btnMakeReport->setVisible(true);
        m_btnPrtAdjust->setVisible(false);
        SetPanelText(2, QStringLiteral("绿色已经上传，黄色未上传"));
    }

    // Hidden unless the dealer turned manual entry on.
    m_itemManualEntry->setVisible(mode == BarcodeDeclaration && ReadManualInput());
    m_itemSBType->setVisible(false);
}

void TFrmMain::RefreshAutoState()
{
    SettingsValues &values = AppSettings();
    m_printTimer->setInterval(TimerIntervalMs(values.InterTime));

    // A switch the file was never read for (a start-up that stopped early) is not written back
    // over the stored one.
    if (values.SBType == BarcodeDeclaration) {
        values.AutoPrint = m_itemAutoPrint->isChecked();
        if (values.AutoPrintKnown)
            WriteAutoPrint(values.AutoPrint);
    } else if (values.SBType == OnlineDeclaration) {
        if (values.AutoUploadKnown)
            WriteAutoUpload(values.AutoUpload);
        if (values.ShowInputKnown)
            WriteShowInput(values.ShowInput);
    }
    ShowAutoState();
}

void TFrmMain::ShowAutoState()
{
    const SettingsValues &values = AppSettings();
    if (values.SBType == BarcodeDeclaration) {
        const bool on = values.AutoPrint;
        m_itemAutoPrint->setChecked(on);
        runTimer(m_printTimer, on);
        m_btnPrt->setEnabled(!on);
        m_itemPrint->setEnabled(!on);
        SetPanelText(0, on ? QStringLiteral("当前状态：自动打印申报表") : QStringLiteral("当前状态：手工打印申报表"));
    } else if (values.SBType == OnlineDeclaration) {
        const bool on = values.AutoUpload;
        m_checkBox1->setChecked(values.ShowInput);
        m_itemAutoUpload->setChecked(on);
        m_itemManualUpload->setEnabled(!on);
        m_contextUpload->setEnabled(!on);
        m_btnPrt->setEnabled(!on);
        runTimer(m_printTimer, on);
        SetPanelText(0, on ? QStringLiteral("当前状态：自动上传申报数据") : QStringLiteral("当前状态：手工上传申报数据"));
    }
}

void TFrmMain::ShowAtStart()
{
    // Without a notification area a hidden window could never be reached.
    if (m_trayIcon->KeepOwnerHiddenAtStart())
        hide();
    else
        MenuItem1Click();
}

void TFrmMain::SetAutomaticSteps(std::function<void()> printStep, std::function<void()> uploadStep)
{
    m_autoPrintStep = std::move(printStep);
    m_autoUploadStep = std::move(uploadStep);
}

QString TFrmMain::PanelText(int panel) const
{
    return m_panels[panel]->text();
}

void TFrmMain::SetPanelText(int panel, const QString &text)
{
    m_panels[panel]->setText(text);
}

void TFrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        RunGuarded([this] { FormShow(); });
}

void TFrmMain::FormShow()
{
    Refresh();
}

void TFrmMain::Refresh(const QString &invoiceCode, const QString &invoiceNumber)
{
    QueryInvoices(TimeText::dayStart(m_dtpStart->date()), TimeText::dayStart(m_dtpEnd->date().addDays(1)), invoiceCode,
                  invoiceNumber);
}

InvoiceGridModel &TFrmMain::Rows()
{
    return *m_gridModel;
}

int TFrmMain::CurrentRow() const
{
    return HasCurrentRow() ? m_dsGrid1->currentIndex().row() : -1;
}

void TFrmMain::btnQryClick()
{
    m_btnQry->setFocus();
    if (m_dtpEnd->date() < m_dtpStart->date()) {
        ShowWarning(QStringLiteral("起始日期不能大于截止日期！"));
        m_dtpStart->setFocus();
        return;
    }
    Refresh();
}

void TFrmMain::QueryInvoices(const QString &startBound, const QString &endBound, const QString &invoiceCode,
                             const QString &invoiceNumber)
{
    InvoiceFilter filter;
    filter.startBound = startBound;
    filter.endBound = endBound;
    filter.invoiceCode = m_edtFPDM->text();
    filter.invoiceNumber = m_edtFPHM->text();
    filter.declarationMode = AppSettings().SBType;
    filter.uploadState = static_cast<InvoiceFilter::UploadState>(m_cbxSCZT->currentIndex());
    const int row = ListInvoices(*m_jdc, filter, *m_gridModel, invoiceCode, invoiceNumber);
    if (row >= 0) {
        // The first visible column: the check-box column is hidden.
        const QModelIndex current = m_gridModel->index(row, InvoiceGridModel::colBuyer);
        m_dsGrid1->setCurrentIndex(current);
        m_dsGrid1->selectRow(row);
        if (isActiveWindow())
            m_dsGrid1->setFocus();
    }
    SetPanelText(1, QStringLiteral("  共查询到%1条记录!").arg(m_gridModel->rowCount()));
}

bool TFrmMain::HasCurrentRow() const
{
    return m_dsGrid1->currentIndex().isValid() && m_gridModel->rowCount() > 0;
}

bool TFrmMain::eventFilter(QObject *watched, QEvent *event)
{
    // dsGrid1MouseDown: the right button attaches the context menu only to a grid with a row.
    if (watched == m_dsGrid1->viewport() && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
        m_gridMenuAttached = HasCurrentRow();
    return QMainWindow::eventFilter(watched, event);
}

void TFrmMain::PopupMenu1Popup(const QPoint &position)
{
    if (!m_gridMenuAttached)
        return;
    if (!HasCurrentRow()) {
        ShowWarning(QStringLiteral("没有要导出的信息！"));
        m_gridMenuAttached = false;
        return;
    }
    m_popupMenu1->popup(m_dsGrid1->viewport()->mapToGlobal(position));
}

void TFrmMain::closeEvent(QCloseEvent *event)
{
    // FormClose: closing the main window ends the program. Nothing here ever refuses, so a
    // log-off or shut-down is never held up.
    event->accept();
    QCoreApplication::quit();
}

void TFrmMain::btnCloseClick()
{
    close();
}

void TFrmMain::N12Click()
{
    ChangeAutoSwitch([this](SettingsValues &values) {
        values.AutoPrint = m_itemAutoPrint->isChecked();
        values.AutoPrintKnown = true;
    });
}

void TFrmMain::N24Click()
{
    ChangeAutoSwitch([this](SettingsValues &values) {
        values.AutoUpload = m_itemAutoUpload->isChecked();
        values.AutoUploadKnown = true;
    });
}

void TFrmMain::CheckBox1Click()
{
    ChangeAutoSwitch([this](SettingsValues &values) {
        values.ShowInput = m_checkBox1->isChecked();
        values.ShowInputKnown = true;
    });
}

void TFrmMain::ChangeAutoSwitch(const std::function<void(SettingsValues &)> &change)
{
    const SettingsValues before = AppSettings();
    change(AppSettings());
    try {
        RefreshAutoState();
    } catch (...) {
        // Only the switches change on the way; the file holds what it held before.
        AppSettings() = before;
        ShowAutoState();
        throw;
    }
}

void TFrmMain::PrintTimerTimer()
{
    const auto &step = AppSettings().SBType == BarcodeDeclaration ? m_autoPrintStep
        : AppSettings().SBType == OnlineDeclaration               ? m_autoUploadStep
                                                                  : std::function<void()>();
    if (step)
        step();
}

void TFrmMain::btnPrtClick()
{
    if (AppSettings().SBType == BarcodeDeclaration)
        PrintSelectedDeclaration();
    else
        ManualUpload();
}

void TFrmMain::btnPrtAdjustClick()
{
    ShowModalCentered<TFrmAdjustPrint>();
}

void TFrmMain::N13Click()
{
    EditPrintInterval(*m_printTimer, m_itemAutoPrint->isChecked());
}

void TFrmMain::PrintSelectedDeclaration()
{
    m_printFlow->PrintSelectedDeclaration();
}

void TFrmMain::ManualUpload()
{
    m_uploadFlow->ManualUpload();
}

void TFrmMain::ShowUploadJournal()
{
    ShowModalCentered<TfrmUploadJournal>(*m_clock);
}

void TFrmMain::PreviewSelectedDeclaration()
{
    m_printFlow->PreviewSelectedDeclaration(*m_formPreview);
}

void TFrmMain::N17Click()
{
    ShowModalCentered<TfrmMKNormalInv>(*m_printFlow, *m_detailsPrompt);
}

void TFrmMain::ExportRecord()
{
    ::ExportRecord({*m_jdc, *this, *m_detailsPrompt, *m_clock, *m_bookmark}, *m_folderBrowser, Seller());
}

void TFrmMain::AutoPrintNext()
{
    RunAutomaticStep([this] { m_printFlow->AutoPrintNext(); });
}

void TFrmMain::AutoUploadStep()
{
    RunAutomaticStep([this] { m_uploadFlow->AutoUploadStep(); });
}

void TFrmMain::RunAutomaticStep(const std::function<void()> &step)
{
    m_printTimer->stop();
    RunGuarded(step);
    m_printTimer->start();
}

void TFrmMain::N15Click()
{
    // The help file is optional: when it is missing or nothing opens it, nothing is said.
    const QString help = AppSettings().AppDir + QStringLiteral("Help.chm");
    if (QFile::exists(help))
        QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void TFrmMain::N10Click()
{
    ShowModalCentered<TfrmAbout>(windowTitle());
}

void TFrmMain::MenuItem1Click()
{
    setWindowState(windowState() | Qt::WindowMaximized);
    m_trayIcon->RestoreMainWindow();
    showMaximized();
}

void TFrmMain::btnMakeReportClick()
{
    ShowModalCentered<TfrmMKSaleReport>(*m_jdc, m_folderBrowser, *m_clock);
}

void TFrmMain::N11Click()
{
    ShowModalCentered<TfrmMKICData>(*m_jdc, m_folderBrowser, *m_clock);
}

void TFrmMain::N18Click()
{
    ShowModalCentered<TfrmSBSJ>(*m_jdc, m_folderBrowser, *m_clock);
}

void TFrmMain::N21Click()
{
    EditNetworkSettings(*m_printTimer, m_itemAutoUpload->isChecked());
}

void TFrmMain::N22Click()
{
    ShowModalCentered<TSetAuthenPwdForm>();
}

void TFrmMain::N28Click()
{
    if (ShowModalCentered<TfrmSBType>() != QDialog::Accepted)
        return;
    // Menus, buttons and the timer follow the mode only from the next start.
    ShowInfo(QStringLiteral("设置成功，系统将关闭，请重新登录系统！"));
    close();
}
