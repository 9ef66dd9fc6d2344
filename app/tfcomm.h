#pragma once
// The main window: composes the meter display, the links, the log and the chart.
// The logic lives in the controllers and models it owns; handlers forward to them, and the
// parts show what the reading pipeline says happened.
#include "app/connection_controller.h"
#include "app/link_status.h"
#include "decode/model_variants.h"
#include "reading/journal_controller.h"
#include "reading/locale_clock.h"
#include "reading/reading_pipeline.h"
#include "ui/user_prompts.h"
#include "ui/window_parts.h"

#include <QMainWindow>
#include <QTimer>
#include <memory>

class TCommPortDriver;
class PortKeeper;
class SerialFrameAssembly;
class DriverPortAccess;
class LogGridModel;
class TChartControl;
class ChartToolPanel;
class ChartEnlarger;
class TrendChartModel;
class HidPlatform;
class UsbSide;
class FileCommands;
class WindowSettingsBinder;
class StatisticsPanel;
class ChartFollower;

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
        QString settingsFile;               // empty: nothing kept between runs; the program passes the user's
    };
    explicit TFCOMM(const Services& services, QWidget* parent = nullptr);
    TFCOMM() : TFCOMM(Services()) {}
    ~TFCOMM() override;

    // The window's timers: the link watchdog and the sampling interval.
    QTimer ConTimer;
    QTimer Timer3;

    // The parts' logic; the widgets are reached by their names ("Panel4", "DBGrid1", ...).
    ReadingPipeline& pipeline() { return *pipeline_; }
    LogTable& cds1() { return pipeline_->table(); }
    RecordLogger& logger() { return pipeline_->logger(); }
    const Reading& reading() const { return pipeline_->reading(); }
    TCommPortDriver& COMM2() { return *comm2_; }
    PortKeeper& portKeeper() { return *keeper_; }
    SerialFrameAssembly& serialAssembly() { return *assembly_; }
    ConnectionController& connection() { return *connection_; }
    TChartControl& pager() { return *pager_; }
    ChartToolPanel& chartTools() { return *chartTools_; }
    UsbSide& usb() { return *usb_; }
    RecordJournal& journal() { return *pipeline_->journal(); }
    long long badFrames() const;
    // Rows logged since the last save, Close Data or start; loaded rows are on disk already.
    bool hasUnsavedRows() const { return pipeline_->unsavedRows() > 0; }

    // Handlers bound to the controls.
    void COMConClick(bool down);
    void USBConClick(bool down);
    void BitBtn1Click();       // Quit, with its question
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
    // The program is ending (Quit, or a signal, perhaps during a question).
    bool isQuitting() const { return quitting_; }
    // SIGTERM, SIGHUP or SIGINT: the journal is committed and the program ends without a
    // question; the rows are offered at the next start.
    void endBySignal();

    // The serial driver's receive callbacks (hex pairs, or nibbles for a model that sends them).
    void RECEIVE_COM_Data(const char* data, int size);
    void H20BRData(const char* data, int size);
    // The frame decoder's entry: called by a link once per accepted frame.
    void LcdDisplayVK31C(const QString& frameText);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void wireParts();
    void wirePipeline();
    void createUsbSide();
    void showConnectionState();
    void showLinkStatus();
    void linkOpened(bool open, const QString& source);
    void showPanel();
    void showBar();
    void showRecordLimit();
    void addShortcuts();
    void applySettings();
    JournalController::Choose choose();
    bool mayEnd(JournalController::Ending ending);   // Save / Discard / Cancel when rows are unsaved
    void quit();
    UserPrompts& prompts() { return *prompts_; }
    template <typename F> void guard(F&& handler);

    Services services_;
    std::unique_ptr<UserPrompts> ownPrompts_;
    std::unique_ptr<LocaleClock> ownClock_;
    UserPrompts* prompts_ = nullptr;
    LocaleClock* clock_ = nullptr;

    std::unique_ptr<TCommPortDriver> comm2_;
    std::unique_ptr<PortKeeper> keeper_;   // reopens COMM2's port when it comes back
    LinkStatus linkStatus_;                // what the top bar says of the link
    std::unique_ptr<SerialFrameAssembly> assembly_;
    std::unique_ptr<DriverPortAccess> portAccess_;
    std::unique_ptr<ConnectionController> connection_;
    std::unique_ptr<ReadingPipeline> pipeline_;
    std::unique_ptr<JournalController> journal_;
    std::unique_ptr<LogGridModel> gridModel_;
    std::unique_ptr<TrendChartModel> chartModel_;   // Chtshow draws it; the view goes first
    std::unique_ptr<TChartControl> pager_;
    std::unique_ptr<ChartToolPanel> chartTools_;
    std::unique_ptr<ChartEnlarger> enlarger_;
    StatisticsPanel* statisticsPanel_ = nullptr;     // a tool window of this one
    ChartFollower* chart_ = nullptr;                  // the chart follows the log
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<WindowSettingsBinder> settings_;

    WindowParts parts_;   // named as in the window layout

    QString systeminfomation_;          // the system's decimal separator, for the key filters
    bool quitting_ = false;
    bool inConTimer_ = false;           // a ConTimer tick is running

    std::unique_ptr<UsbSide> usb_;      // last: its reader hands frames to everything above
};
