#pragma once
// The main window: composes the meter display, the links, the log and the chart.
// The logic lives in the controllers and models it owns; handlers forward to them, and the
// parts show what the reading pipeline says happened.
#include "app/connection_controller.h"
#include "app/link_status.h"
#include "decode/model_variants.h"
#include "link/byte_arrivals.h"
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
class RefreshThrottle;
class FileChoices;
class LogStatistics;
class StatisticsPanel;
struct FileDialogParams;
struct FileOutcome;

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
    const LinkStatus& linkStatus() const { return linkStatus_; }
    SerialFrameAssembly& serialAssembly() { return *assembly_; }
    ConnectionController& connection() { return *connection_; }
    TChartControl& pager() { return *pager_; }
    ChartToolPanel& chartTools() { return *chartTools_; }
    UsbSide& usb() { return *usb_; }
    RecordJournal& journal() { return *pipeline_->journal(); }
    long long badFrames() const;
    // Rows logged since the last save, Close Data or start; loaded rows are on disk already.
    bool hasUnsavedRows() const { return pipeline_->unsavedRows() > 0; }
    bool isChartEnlarged() const;
    LogStatistics& statistics() { return *statistics_; }
    StatisticsPanel& statisticsPanel() { return *statisticsPanel_; }

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
    void RECEIVE_COM_Data(const char* data, int size, const ByteArrivals& arrivals = {});
    void H20BRData(const char* data, int size);
    // The frame decoder's entry: called by a link once per accepted frame.
    void LcdDisplayVK31C(const QString& frameText, const QDateTime& arrivedAt = {});

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
    // The value axis: the range rows' on the live page while logging goes on, else the page's own.
    void showValueAxis();
    void showStatistics(bool shown);
    void addShortcuts();
    void applySettings();
    void keepSettings();
    bool saveLog();                  // the Save dialog and the save; true when it succeeded
    JournalController::Choose choose();
    bool saveRows(const LogTable& rows);   // the Save dialog for rows not in the log
    bool mayEnd(JournalController::Ending ending);   // Save / Discard / Cancel when rows are unsaved
    void quit();
    UserPrompts& prompts() { return *prompts_; }
    template <typename F> void guard(F&& handler);

    Services services_;
    std::unique_ptr<UserPrompts> ownPrompts_;
    std::unique_ptr<LocaleClock> ownClock_;
    UserPrompts* prompts_ = nullptr;
    std::unique_ptr<FileChoices> files_;   // the file dialogs, from the last folder chosen
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
    std::unique_ptr<RefreshThrottle> gridCatchUp_;   // DBGrid1 shows appended rows
    std::unique_ptr<LogStatistics> statistics_;      // of the table and of the chart page shown
    StatisticsPanel* statisticsPanel_ = nullptr;     // a tool window of this one

    WindowParts parts_;   // named as in the window layout

    QString systeminfomation_;          // the system's decimal separator, for the key filters
    bool quitting_ = false;
    bool inConTimer_ = false;           // a ConTimer tick is running

    std::unique_ptr<UsbSide> usb_;      // last: its reader hands frames to everything above
};
