#pragma once
// The main window: composes the meter display, the links, the log and the chart.
// The logic lives in the controllers and models it owns; handlers forward to them, and the
// parts show what the reading pipeline says happened.
#include "app/meter_links.h"
#include "app/record_events_part.h"
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

class LogGridModel;
class TChartControl;
class ChartToolPanel;
class TrendChartModel;
class HidPlatform;
class FileCommands;
class WindowSettingsBinder;
class LeavingQuestions;
class StatisticsPanel;
class ChartFollower;
class MetersController;
class MetersWindow;
class RecorderPart;
class PublishingSide;
class RecordCommands;
class LinkWatch;
class SamplingTimer;
class AlarmSide;
class AlarmBanner;
class DesktopNotifier;
class EventRecord;
class NoteBox;

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
        DesktopNotifier* notifier = nullptr; // null: the session bus's notifications
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
    TCommPortDriver& COMM2() { return links_->driver(); }
    PortKeeper& portKeeper() { return links_->keeper(); }
    SerialFrameAssembly& serialAssembly() { return links_->assembly(); }
    ConnectionController& connection() { return links_->connection(); }
    TChartControl& pager() { return *pager_; }
    RecorderPart& recorder() { return *recorder_; }
    ChartToolPanel& chartTools() { return *chartTools_; }
    UsbSide& usb() { return links_->usb(); }
    MetersController& meters() { return *meters_; }
    PublishingSide& publishing() { return *publishing_; }
    AlarmSide& alarms() { return recordEvents_->alarms(); }
    EventRecord& events() { return recordEvents_->events(); }
    AlarmBanner& alarmBanner() { return recordEvents_->banner(); }
    NoteBox& noteBox() { return recordEvents_->noteBox(); }
    RecordJournal& journal() { return *pipeline_->journal(); }
    long long badFrames() const;

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
    void MqttClick();          // "MQTT...": where readings are published
    void AlarmRulesClick();    // "Alarms > Rules..."
    void NoteClick();          // Ctrl+N: a note at the current row
    void setRecordLimit(int item);

    // Start-up, once the window shows: offers the rows of sessions that ended without saving.
    void offerRestore();
    // The program is ending (Quit, or a signal, perhaps during a question).
    bool isQuitting() const;
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
    void showConnectionState();
    void showPanel();
    void showBar();
    void addShortcuts();
    void quit();
    UserPrompts& prompts() { return *prompts_; }
    template <typename F> void guard(F&& handler);

    Services services_;
    std::unique_ptr<UserPrompts> ownPrompts_;
    std::unique_ptr<LocaleClock> ownClock_;
    UserPrompts* prompts_ = nullptr;
    LocaleClock* clock_ = nullptr;

    std::unique_ptr<ReadingPipeline> pipeline_;
    std::unique_ptr<JournalController> journal_;
    std::unique_ptr<RecordCommands> records_;      // Close Data and the record limit
    std::unique_ptr<LinkWatch> linkWatch_;         // the watchdog, and a link that stops
    std::unique_ptr<SamplingTimer> sampling_;      // when Timer3 runs
    std::unique_ptr<LogGridModel> gridModel_;
    std::unique_ptr<TrendChartModel> chartModel_;   // Chtshow draws it; the view goes first
    std::unique_ptr<TChartControl> pager_;
    std::unique_ptr<ChartToolPanel> chartTools_;
    std::unique_ptr<StatisticsPanel> statisticsPanel_;   // tool windows of this one: each goes
                                                         // before what it shows
    ChartFollower* chart_ = nullptr;                  // the chart follows the log
    std::unique_ptr<MetersController> meters_;       // more meters at once, and computed channels
    std::unique_ptr<MetersWindow> metersWindow_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<RecorderPart> recorder_;         // the Recorder window and the run's summary
    std::unique_ptr<WindowSettingsBinder> settings_;
    std::unique_ptr<LeavingQuestions> leaving_;
    std::unique_ptr<PublishingSide> publishing_;   // MQTT, beside the other front ends
    std::unique_ptr<RecordEventsPart> recordEvents_;   // alarms, notes, links: the log's events and their marks

    WindowParts parts_;   // named as in the window layout

    QString systeminfomation_;          // the system's decimal separator, for the key filters

    std::unique_ptr<MeterLinks> links_;   // last: its readers hand frames to everything above
};
