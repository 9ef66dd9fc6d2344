#pragma once
// The main window: composes the meter display, the links, the log and the chart.
// The logic lives in the controllers and models it owns; handlers forward to them.
#include "app/connection_controller.h"
#include "reading/locale_clock.h"
#include "app/top_bar.h"
#include "app/user_prompts.h"
#include "decode/model_variants.h"
#include "reading/journal_controller.h"
#include "reading/reading_pipeline.h"

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class LogGridView;
class TCommPortDriver;
class SerialFrameAssembly;
class DriverPortAccess;
class LcdPanelWidget;
class JudgePanel;
class LogGridModel;
class RecordPanel;
class ChartView;
class TChartControl;
class ChartToolPanel;
class ChartToolBar;
class ChartEnlarger;
class TrendChartModel;
class HidPlatform;
class UsbSide;
class RefreshThrottle;
class RecordJournal;
struct FileOutcome;
struct ChartPlacement;

class TFCOMM : public QMainWindow {
    Q_OBJECT
public:
    struct Services {
        UserPrompts* prompts = nullptr;     // null: real message boxes over the window
        LocaleClock* clock = nullptr;       // null: the system's locale and clock
        ModelFlags flags = ModelFlags::layout();
        HidPlatform* hidPlatform = nullptr;  // null: the system's HID devices; else outlives the window
        QString journalFolder;              // empty: the program's data folder
        int journalMaxPages = 0;            // tests: a journal that cannot grow, as on a full disk
    };
    explicit TFCOMM(const Services& services, QWidget* parent = nullptr);
    TFCOMM() : TFCOMM(Services()) {}
    ~TFCOMM() override;

    static constexpr int kClientWidth = 663;
    static constexpr int kClientHeight = 509;

    // Components, named as in the window layout; reachable for tests.
    TopBar* Panel5 = nullptr;
    LcdPanelWidget* Panel1 = nullptr;
    QProgressBar* PBar2 = nullptr;
    RecordPanel* Panel2 = nullptr;
    LogGridView* DBGrid1 = nullptr;   // a window over gridModel_ at a time
    JudgePanel* Panel4 = nullptr;
    QFrame* Panel3 = nullptr;          // extremes labels, below the visible client area
    QLabel* MaxText = nullptr;
    QLabel* MinText = nullptr;
    QLabel* MaxTextU = nullptr;
    QLabel* MinTextU = nullptr;
    ChartToolBar* TntPanel1 = nullptr;
    ChartView* Chtshow = nullptr;
    QMenu* RecordMenu = nullptr;
    QLabel* RecordLimitHint = nullptr;   // beside the menu, while the record limit stops logging
    std::array<QAction*, 6> RecordLimitItems{};
    QLabel* SafetyCopy = nullptr;      // in the top bar while the journal cannot be written
    QTimer ConTimer;
    QTimer Timer3;

    TCommPortDriver& COMM2() { return *comm2_; }
    ConnectionController& connection() { return *connection_; }
    SerialFrameAssembly& serialAssembly() { return *assembly_; }
    ReadingPipeline& pipeline() { return *pipeline_; }
    LcdPanelModel& panel() { return pipeline_->panel(); }
    Extremes& extremes() { return pipeline_->extremes(); }
    LimitJudge& judge() { return pipeline_->judge(); }
    LogTable& cds1() { return pipeline_->table(); }
    RecordLogger& logger() { return pipeline_->logger(); }
    TChartControl& pager() { return *pager_; }
    ChartToolPanel& chartTools() { return *chartTools_; }
    UsbSide& usb() { return *usb_; }
    const Reading& reading() const { return pipeline_->reading(); }
    int linkIdleTicks() const { return pipeline_->linkIdleTicks(); }
    long long badFrames() const;
    RecordJournal& journal() { return *pipeline_->journal(); }
    // Rows logged since the last save, Close Data or start; loaded rows are on disk already.
    bool hasUnsavedRows() const;
    bool isChartEnlarged() const;

    // Handlers bound to the controls.
    void COMConClick(bool down);
    void USBConClick(bool down);
    void BTCon1Click();
    void BtDiscon1Click();
    void BitBtn1Click();       // Quit, with its question
    void BtExit1Click();       // Exit, without a question
    void ConTimerTimer();
    void Timer3Timer();
    void RecordNewClick();     // Close Data
    void saveasClick();
    void SpeedButton2Click();  // load a table file
    void BtPrintClick();
    void BtSaveClick();        // chart picture
    void TbFdClick();
    void TbSxClick();
    void setRecordLimit(int item);

    // Start-up, once the window shows: offers the rows of sessions that ended without saving.
    void offerRestore();
    // SIGTERM, SIGHUP or SIGINT: the journal is committed and the program ends without a
    // question; the rows are offered at the next start.
    void endBySignal();

    // The frame decoder's entry: called by a link once per accepted frame.
    void LcdDisplayVK31C(const QString& frameText);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void buildLayout();
    void buildMenus();
    void wireLogging();
    void showConnectionState();
    void createUsbSide();
    void showPanel();
    void showBar();
    void showRecordLimit();
    void showOutcome(const FileOutcome& outcome);
    void applyPlacement(const ChartPlacement& placement);
    void createJournal();
    JournalController::Choose choose();
    bool saveLog();                  // the Save dialog and the save; true when it succeeded
    bool mayLeaveWithUnsavedRows();  // Save / Discard / Cancel
    UserPrompts& prompts() { return *prompts_; }
    template <typename F> void guard(F&& handler);

    Services services_;
    std::unique_ptr<UserPrompts> ownPrompts_;
    std::unique_ptr<LocaleClock> ownClock_;
    UserPrompts* prompts_ = nullptr;
    LocaleClock* clock_ = nullptr;

    std::unique_ptr<TCommPortDriver> comm2_;
    std::unique_ptr<SerialFrameAssembly> assembly_;
    std::unique_ptr<DriverPortAccess> portAccess_;
    std::unique_ptr<ConnectionController> connection_;
    std::unique_ptr<ReadingPipeline> pipeline_;
    std::unique_ptr<LogGridModel> gridModel_;
    std::unique_ptr<TrendChartModel> chartModel_;   // Chtshow draws it; the view goes first
    std::unique_ptr<TChartControl> pager_;
    std::unique_ptr<ChartToolPanel> chartTools_;
    std::unique_ptr<ChartEnlarger> enlarger_;
    std::unique_ptr<RefreshThrottle> gridCatchUp_;   // DBGrid1 shows appended rows

    QString systeminfomation_;          // the system's decimal separator, for the key filters
    bool quitting_ = false;
    bool inConTimer_ = false;           // a ConTimer tick is running

    std::unique_ptr<JournalController> journal_;

    std::unique_ptr<UsbSide> usb_;      // last: its reader hands frames to everything above
};
