#pragma once

#include "config/Clock.h"
#include "declare/InvoiceList.h"

#include <QMainWindow>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;
class InvoiceGridModel;
class TJdcConnection;
class TMyTrayIcon;
class TNumberEdit;
class DetailsPrompt;
class FolderBrowser;
class FormPreview;
struct SettingsValues;
class PrintFlow;
class PrinterChoice;
class Printers;
class AutomaticBookmark;
class TPDF417BarCode;
class UnsavedSettingsNotice;
class UploadFlow;

// What the main window takes from outside; the defaults are the real program's.
struct MainWindowOptions {
    QString barcodeLibraryPath;   // empty: the library beside the program
    const Clock *clock = nullptr; // null: the system clock
    bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    Printers *printers = nullptr;           // null: the desktop's printers
    DetailsPrompt *detailsPrompt = nullptr; // null: the declaration details dialog
    PrinterChoice *printerChoice = nullptr; // null: the printer choice dialog
    FolderBrowser *folderBrowser = nullptr; // null: the desktop's folder browser
    FormPreview *formPreview = nullptr;     // null: Qt's print preview dialog
};

// The main window: a query form over the invoices with the menus, buttons and status texts of
// the declaration mode in force, and the timer that drives automatic printing or uploading. The
// printing and upload flows work on its list.
class TFrmMain final : public QMainWindow, public InvoiceList
{
    Q_OBJECT

public:
    static constexpr int TagBoth = 0;

    explicit TFrmMain(const MainWindowOptions &options = MainWindowOptions());
    ~TFrmMain() override;

    // Menu items, context items and buttons of the current declaration mode.
    void ApplyDeclarationMode();
    // Timer, switches and status text after start-up and after each automatic switch changes.
    void RefreshAutoState();
    // The menu checks, buttons, timer and status text for the switches as they stand.
    void ShowAutoState();

    // Leaves the window hidden in the notification area, or shows it where there is none.
    void ShowAtStart();
    // True when start-up ended the program (no database, no seller): the window is not shown.
    bool StartupEnded() const { return m_startupEnded; }

    // Lists the invoices from start (included) to end (excluded), "yyyy-mm-dd 00:00:00", with
    // the filters of the window, and selects the invoice with that code and number if listed.
    void QueryInvoices(const QString &startBound, const QString &endBound, const QString &invoiceCode = {},
                       const QString &invoiceNumber = {});

    // The automatic printing and upload steps the timer dispatches to.
    void SetAutomaticSteps(std::function<void()> printStep, std::function<void()> uploadStep);

    TMyTrayIcon *TrayIcon1() const { return m_trayIcon; }
    QTimer *PrintTimer() const { return m_printTimer; }
    QMenu *PopupMenu1() const { return m_popupMenu1; }
    QMenu *TrayMenu() const { return m_trayMenu; }
    QString PanelText(int panel) const;
    TJdcConnection &JDC() const { return *m_jdc; }
    InvoiceGridModel *GridModel() const { return m_gridModel; }
    QTableView *Grid() const { return m_dsGrid1; }
    const TPDF417BarCode *BarCode() const { return m_barcode.get(); }
    PrintFlow &Printing() { return *m_printFlow; }
    UploadFlow &Uploading() { return *m_uploadFlow; }

    // Barcode declaration: the selected invoice's form on demand, and one step of the automatic
    // printing of newly issued invoices with the timer stopped.
    void PrintSelectedDeclaration();
    void AutoPrintNext();
    // Online declaration: the manual upload, and one step of the automatic upload with the
    // timer stopped.
    void ManualUpload();
    void AutoUploadStep();
    // Barcode declaration: "导出", the selected invoice with its details as a record file.
    void ExportRecord();
    // "手工输入申报表": an invoice typed in by hand and its declaration form printed.
    void N17Click();
    // Barcode declaration: "打印预览", the selected invoice's form in the print preview.
    void PreviewSelectedDeclaration();
    // Online declaration: "上传日志", every exchange with the tax server.
    void ShowUploadJournal();

    // The list as the flows see it.
    InvoiceGridModel &Rows() override;
    int CurrentRow() const override;
    void Refresh(const QString &invoiceCode = {}, const QString &invoiceNumber = {}) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateComponents();
    QWidget *CreateFilterArea();
    void CreateMenus();
    void SetUpGrid();
    void PrepareDatabase();
    bool HasCurrentRow() const;
    QAction *AddItem(QMenu *menu, const QString &caption, int tag, void (TFrmMain::*handler)() = nullptr);
    void InitMainWindow(const MainWindowOptions &options);
    void SetPanelText(int panel, const QString &text);
    // Runs the handler through the program-wide error display.
    std::function<void()> Guarded(void (TFrmMain::*handler)());

    void FormShow();
    void btnQryClick();
    void PopupMenu1Popup(const QPoint &position);
    void btnCloseClick();
    void N12Click();
    void N24Click();
    void CheckBox1Click();
    // Applies the operator's change of an automatic switch; when the settings file refuses it,
    // the switches and everything showing them go back to what they were.
    void ChangeAutoSwitch(const std::function<void(SettingsValues &)> &change);
    void PrintTimerTimer();
    void btnPrtClick();
    void btnPrtAdjustClick();
    void N13Click();
    void btnMakeReportClick();
    void N11Click();
    void N18Click();
    void N21Click();
    void N22Click();
    void N28Click();
    // Stops the timer, runs the step through the error display and starts the timer again: an
    // error stops the step, not the automatic work.
    void RunAutomaticStep(const std::function<void()> &step);
    void N15Click();
    void N10Click();
    void MenuItem1Click();

    const Clock *m_clock;
    std::unique_ptr<TPDF417BarCode> m_barcode;
    std::unique_ptr<TJdcConnection> m_jdc;
    std::unique_ptr<UnsavedSettingsNotice> m_settingsNotice;
    std::unique_ptr<AutomaticBookmark> m_bookmark;
    std::unique_ptr<Printers> m_ownPrinters;
    std::unique_ptr<DetailsPrompt> m_ownDetailsPrompt;
    std::unique_ptr<PrinterChoice> m_ownPrinterChoice;
    std::unique_ptr<FolderBrowser> m_ownFolderBrowser;
    FolderBrowser *m_folderBrowser = nullptr;
    std::unique_ptr<FormPreview> m_ownFormPreview;
    FormPreview *m_formPreview = nullptr;
    DetailsPrompt *m_detailsPrompt = nullptr;
    std::unique_ptr<PrintFlow> m_printFlow;
    std::unique_ptr<UploadFlow> m_uploadFlow;
    bool m_startupEnded = false;
    bool m_gridMenuAttached = false;
    std::function<void()> m_autoPrintStep;
    std::function<void()> m_autoUploadStep;

    QCheckBox *m_checkBox1 = nullptr;
    QLabel *m_lblSCZT = nullptr;
    QComboBox *m_cbxSCZT = nullptr;
    QDateEdit *m_dtpStart = nullptr;
    QDateEdit *m_dtpEnd = nullptr;
    TNumberEdit *m_edtFPHM = nullptr;
    TNumberEdit *m_edtFPDM = nullptr;
    QPushButton *m_btnQry = nullptr;
    QPushButton *m_btnPrt = nullptr;
    QPushButton *m_btnMakeReport = nullptr;
    QPushButton *m_btnPrtAdjust = nullptr;
    QPushButton *m_btnClose = nullptr;
    QTableView *m_dsGrid1 = nullptr;
    InvoiceGridModel *m_gridModel = nullptr;
    QLabel *m_panels[3] = {};
    QMenu *m_popupMenu1 = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *m_itemPrint = nullptr;      // 打印申报表 inside the menu of the same name
    QAction *m_itemAutoPrint = nullptr;  // 自动打印申报表
    QAction *m_itemManualEntry = nullptr; // 手工输入申报表
    QAction *m_itemSBType = nullptr;     // 设置申报方式
    QAction *m_itemAutoUpload = nullptr; // 自动上传数据
    QAction *m_itemManualUpload = nullptr; // 手工上传数据
    QAction *m_contextUpload = nullptr;  // 手工上传
    QTimer *m_printTimer = nullptr;
    TMyTrayIcon *m_trayIcon = nullptr;
};
