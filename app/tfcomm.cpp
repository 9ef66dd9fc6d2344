#include "app/tfcomm.h"

#include "app/alarm_side.h"
#include "app/entry_guard.h"
#include "app/file_commands.h"
#include "app/leaving_questions.h"
#include "app/record_events_part.h"
#include "app/link_watch.h"
#include "app/meter_links.h"
#include "app/meters_controller.h"
#include "app/platform_info.h"
#include "app/publishing_side.h"
#include "app/record_commands.h"
#include "app/recorder_part.h"
#include "app/sampling_timer.h"
#include "app/window_settings_binder.h"
#include "chart/chart_control.h"
#include "chart/chart_tool_panel.h"
#include "chart/trend_chart_model.h"
#include "decode/unit_display.h"
#include "link/serial_frame_assembly.h"
#include "log/journal/journal_files.h"
#include "log/log_grid_model.h"
#include "ui/bar_graph.h"
#include "ui/chart_follower.h"
#include "ui/chart_read_out.h"
#include "ui/chart_tool_bar.h"
#include "ui/chart_view.h"
#include "ui/extremes_panel.h"
#include "ui/grid_follower.h"
#include "ui/judge_panel.h"
#include "ui/lcd_panel_widget.h"
#include "ui/meters_window.h"
#include "ui/note_box.h"
#include "ui/log_grid_view.h"
#include "ui/publish_status_label.h"
#include "ui/record_menu.h"
#include "ui/record_panel.h"
#include "ui/recorder_window.h"
#include "ui/safety_copy_label.h"
#include "ui/settings_note_label.h"
#include "ui/statistics_panel.h"
#include "ui/tool_window_button.h"
#include "ui/top_bar.h"
#include "ui/window_shortcut.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>

template <typename F>
void TFCOMM::guard(F&& handler) { guarded(prompts(), std::forward<F>(handler)); }

TFCOMM::TFCOMM(const Services& services, QWidget* parent) : QMainWindow(parent), services_(services)
{
    setObjectName(QStringLiteral("FCOMM"));
    if (!(prompts_ = services_.prompts))
        prompts_ = (ownPrompts_ = std::make_unique<DialogPrompts>(this)).get();
    if (!(clock_ = services_.clock))
        clock_ = (ownClock_ = std::make_unique<SystemLocaleClock>()).get();

    links_ = std::make_unique<MeterLinks>(MeterLinks::Needs{
        services_.hidPlatform, services_.flags, *prompts_, *clock_,
        [this](const QString& frame, const QDateTime& arrivedAt) { LcdDisplayVK31C(frame, arrivedAt); },
        [this](const char* data, int size, const ByteArrivals& at) { guard([&] { RECEIVE_COM_Data(data, size, at); }); },
        [this](const char* data, int size, const ByteArrivals&) { guard([&] { H20BRData(data, size); }); }});
    pipeline_ = std::make_unique<ReadingPipeline>(startupVariant(services_.flags).fullScaleCount, *clock_);
    const QString journalFolder = services_.journalFolder.isEmpty() ? defaultJournalFolder() : services_.journalFolder;
    journal_ = std::make_unique<JournalController>(*pipeline_, journalFolder, QStringLiteral("window"));
    records_ = std::make_unique<RecordCommands>(*pipeline_, *prompts_);
    linkWatch_ = std::make_unique<LinkWatch>(*pipeline_, *links_);
    sampling_ = std::make_unique<SamplingTimer>(*pipeline_, Timer3);
    meters_ = std::make_unique<MetersController>(MetersController::Needs{
        services_.hidPlatform, services_.flags, *prompts_, *clock_, journalFolder, *links_, logger()});
    gridModel_ = std::make_unique<LogGridModel>(cds1(), [](const QString& u) { return displayUnit(u); });
    chartModel_ = std::make_unique<TrendChartModel>();
    pager_ = std::make_unique<TChartControl>(*chartModel_, 100);   // page size 100
    chartTools_ = std::make_unique<ChartToolPanel>(*pager_, *chartModel_);

    parts_ = buildWindowParts(
        *this, {pipeline_->panel(), *gridModel_, pipeline_->judge(), logger(), *chartTools_, *chartModel_,
                [this] { return clock_->userDecimalSeparator(); },
                [this] { const QString t = systeminfomation_.trimmed(); return t.isEmpty() ? QChar() : t.at(0); }},
        clock_->userLocale());
    statisticsPanel_ = std::make_unique<StatisticsPanel>(*pipeline_, *pager_, *chartModel_, clock_->userLocale(), this);
    metersWindow_ = std::make_unique<MetersWindow>(*meters_, this);
    parts_.Chtshow->setReadOut(chartReadOut(cds1(), pipeline_->plotIndex()));
    files_ = std::make_unique<FileCommands>(FileCommands::Parts{
        *pipeline_, *prompts_, *parts_.Chtshow, this, [this] { return leaving_->mayEnd(JournalController::Ending::Replace); }});
    recorder_ = std::make_unique<RecorderPart>(
        RecorderPart::Parts{*pipeline_, *gridModel_, *parts_.DBGrid1, *pager_, *files_, *this, *meters_,
                            [this] { parts_.TntPanel1->showState(); chart_->showValueAxis(); statisticsPanel_->changed(); }},
        clock_->userLocale());
    recordEvents_ = std::make_unique<RecordEventsPart>(RecordEventsPart::Needs{
        *pipeline_, *meters_, *clock_, *gridModel_, *parts_.Chtshow, *recorder_->window().plot, *this, services_.notifier});
    leaving_ = std::make_unique<LeavingQuestions>(*journal_, *pipeline_, *prompts_, *files_, *meters_);
    publishing_ = std::make_unique<PublishingSide>(*pipeline_, *clock_);
    auto* publishStatus = new PublishStatusLabel(parts_.Panel5);
    connect(publishing_.get(), &PublishingSide::statusChanged, publishStatus, &PublishStatusLabel::showStatus);
    settings_ = std::make_unique<WindowSettingsBinder>(
        services_.settingsFile,
        WindowSettingsBinder::Parts{*parts_.Panel4, *parts_.Panel2, *pipeline_, *chartTools_, *pager_, *links_, *files_,
                                    *meters_, recorder_->window(), *publishing_, alarms(),
                                    [this](int item) { setRecordLimit(item); }});
    FormCreate();
    wireParts();
    wirePipeline();
    addShortcuts();
    parts_.SettingsNote->showProblem(settings_->apply(), services_.settingsFile);
    connect(meters_.get(), &MetersController::setUpChanged, this, [this] { settings_->keep(); });   // a kill keeps them too
    connect(&alarms(), &AlarmSide::rulesChanged, this, [this] { settings_->keep(); });
    journal_->open(services_.journalMaxPages);
    recordEvents_->watchLinks(*links_);
    connect(pipeline_->journal(), &RecordJournal::stateChanged, this, [this](bool on, const QString& reason) {
        parts_.SafetyCopy->showState(on, reason, pipeline_->journal()->path());
    });
    connect(links_.get(), &MeterLinks::controlsChanged, this, [this] { showConnectionState(); });
    connect(links_.get(), &MeterLinks::statusChanged, this, [this] { parts_.Panel5->showLinkStatus(links_->statusText()); });
    connect(linkWatch_.get(), &LinkWatch::fellSilent, this, [this] { recorder_->linkSilent(); showPanel(); });
    showConnectionState();
    showPanel();

    connect(&ConTimer, &QTimer::timeout, this, [this] { guard([this] { ConTimerTimer(); }); });
    ConTimer.start(100);
    connect(&Timer3, &QTimer::timeout, this, [this] { guard([this] { Timer3Timer(); }); });
}

TFCOMM::~TFCOMM()
{
    links_.reset();
    recordEvents_.reset();
    recorder_.reset();
    // The chart view shows what this window keeps: it goes first.
    delete parts_.Chtshow;
    parts_.Chtshow = nullptr;
}

long long TFCOMM::badFrames() const { return links_->badFrames(); }
bool TFCOMM::isQuitting() const { return leaving_->programEnding(); }

void TFCOMM::FormCreate()
{
    const StartupVariant variant = startupVariant(services_.flags);
    systeminfomation_ = clock_->systemDecimalSeparator();   // the locale probe
    if (variant.digit1Caption)
        pipeline_->panel().setDigitCaption(0, *variant.digit1Caption);

    // The full scale of the model: extremes, their labels and the value axis.
    pipeline_->extremes().setShowSeries([this] { chartTools_->ShowChosenSeries(); });
    chartTools_->ResetSeries();
    parts_.showFullScale(variant.fullScaleCount, variant.scaleCode != QLatin1String("4"));
    setWindowTitle(variant.title.value_or(QStringLiteral("VK31C_D  win7")) + platformSuffix());
}

void TFCOMM::wireParts()
{
    connect(parts_.Panel5, &TopBar::portPanelClicked, this, [this](int panel) { guard([&] { links_->portPanelClicked(panel); }); });
    connect(parts_.Panel5, &TopBar::comConClicked, this, [this](bool down) { guard([&] { COMConClick(down); }); });
    connect(parts_.Panel5, &TopBar::usbConClicked, this, [this](bool down) { guard([&] { USBConClick(down); }); });
    connect(parts_.Panel5, &TopBar::quitClicked, this, [this] { guard([&] { BitBtn1Click(); }); });
    connect(parts_.Panel4, &JudgePanel::run, this, [this](const std::function<void()>& h) { guard(h); });
    // Paging changes the page the axis and the statistics show.
    connect(parts_.TntPanel1, &ChartToolBar::run, this, [this](const std::function<void()>& h) {
        guard(h); chart_->showValueAxis(); statisticsPanel_->changed();
    });
    connect(parts_.TntPanel1, &ChartToolBar::saveClicked, this, [this] { guard([&] { BtSaveClick(); }); });
    connect(parts_.TntPanel1, &ChartToolBar::enlargeClicked, this, [this] { guard([&] { TbFdClick(); }); });
    connect(parts_.TntPanel1, &ChartToolBar::restoreClicked, this, [this] { guard([&] { TbSxClick(); }); });
    connect(parts_.recordMenu, &RecordMenu::limitChosen, this, [this](int item) { guard([&] { setRecordLimit(item); }); });
    connect(parts_.recordMenu, &RecordMenu::newChosen, this, [this] { guard([&] { RecordNewClick(); }); });
    connect(parts_.recordMenu, &RecordMenu::saveChosen, this, [this] { guard([&] { saveasClick(); }); });
    publishing_->addMenu(*menuBar(), [this] { guard([&] { MqttClick(); }); });
    alarms().addMenu(*menuBar(), [this] { guard([&] { AlarmRulesClick(); }); }, [this] { guard([&] { NoteClick(); }); });

    connect(parts_.Panel2, &RecordPanel::intervalChanged, sampling_.get(), &SamplingTimer::setIntervalMs);
    connect(parts_.Panel2->RecordNew, &QPushButton::clicked, this, [this] { guard([&] { RecordNewClick(); }); });
    connect(parts_.Panel2->saveas, &QPushButton::clicked, this, [this] { guard([&] { saveasClick(); }); });
    connect(parts_.Panel2->OpenDataFiles, &QPushButton::clicked, this, [this] { guard([&] { SpeedButton2Click(); }); });
    connect(parts_.Panel2->BtPrint, &QPushButton::clicked, this, [this] { guard([&] { BtPrintClick(); }); });
    pairWithButton(*parts_.Panel2->Statistics, *statisticsPanel_, [this](bool on) { statisticsPanel_->showBelow(*this, on); });
    pairWithButton(*parts_.Panel2->Meters, *metersWindow_, [this](bool on) { metersWindow_->showBelow(*this, on); });
    pairWithButton(*parts_.Panel2->Recorder, recorder_->window(), [this](bool on) { recorder_->show(on); });
}

void TFCOMM::wirePipeline()
{
    connect(pipeline_.get(), &ReadingPipeline::frameShown, this, [this] { parts_.Panel3->show(pipeline_->extremes().labels()); });
    new GridFollower(*pipeline_, *gridModel_, *parts_.DBGrid1, this);
    chart_ = new ChartFollower({*pipeline_, *pager_, *chartTools_, *chartModel_, *parts_.TntPanel1}, this);
    connect(pipeline_.get(), &ReadingPipeline::rowLogged, this, [this] { showBar(); });
    connect(records_.get(), &RecordCommands::limitShown, parts_.recordMenu, &RecordMenu::showLimit);
}

void TFCOMM::showConnectionState() { parts_.Panel5->show(links_->controls()); }

void TFCOMM::showPanel()
{
    const bool alive = pipeline_->panel().linkAlive();
    parts_.Panel1->setLive(alive);
    parts_.Panel1->refresh();
    showBar();
    parts_.Panel4->showLink(alive, badFrames(), links_->overrunBytes());
    links_->checkOverrun();
}

void TFCOMM::showBar() { parts_.PBar2->show(pipeline_->panel().barMaximum(), pipeline_->panel().barPosition()); }

void TFCOMM::RECEIVE_COM_Data(const char* data, int size, const ByteArrivals& arrivals)
{
    links_->assembly().receiveHexPairs(data, size, arrivals);
    showPanel();
}

void TFCOMM::H20BRData(const char* data, int size) { links_->assembly().receiveNibbles(data, size); }

void TFCOMM::LcdDisplayVK31C(const QString& frameText, const QDateTime& arrivedAt)
{
    struct Repaint {
        TFCOMM* w;
        ~Repaint() { w->showPanel(); w->parts_.Panel4->showVerdict(); }
    } repaint{this};
    links_->frameArrived();
    pipeline_->showFrame(frameText, arrivedAt);
    meters_->mainFrame(frameText, arrivedAt);
}

void TFCOMM::Timer3Timer() { pipeline_->sample(); }

void TFCOMM::COMConClick(bool down)
{
    if (const QString failure = links_->COMConClick(down); !failure.isEmpty())
        prompts().error(failure);
}

void TFCOMM::USBConClick(bool down) { links_->USBConClick(down); }

void TFCOMM::ConTimerTimer()
{
    if (linkWatch_->tick())
        chart_->showValueAxis();
}

void TFCOMM::setRecordLimit(int item)
{
    records_->setRecordLimit(item);
    chart_->showValueAxis();
}

void TFCOMM::addShortcuts()
{
    const std::pair<QKeySequence, void (TFCOMM::*)()> shortcuts[] = {
        {QKeySequence::Save, &TFCOMM::saveasClick}, {QKeySequence::Open, &TFCOMM::SpeedButton2Click},
        {QKeySequence::Print, &TFCOMM::BtPrintClick},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), &TFCOMM::BitBtn1Click},   // Quit, with its questions
        {QKeySequence(Qt::CTRL | Qt::Key_N), &TFCOMM::NoteClick}};
    for (const auto& [keys, handler] : shortcuts)
        addWindowShortcut(*this, keys, [this, h = handler] { guard([&] { (this->*h)(); }); });
}

void TFCOMM::RecordNewClick()
{
    if (records_->closeData())
        meters_->closeDataAsked();
}

void TFCOMM::saveasClick() { files_->save(); }
void TFCOMM::SpeedButton2Click() { files_->open(); }
void TFCOMM::BtPrintClick() { files_->print(); }
void TFCOMM::BtSaveClick() { files_->picture(); }

void TFCOMM::TbFdClick() { parts_.enlargeChart(centralWidget()->size()); }
void TFCOMM::TbSxClick() { parts_.restoreChart(); }

void TFCOMM::MqttClick() { publishing_->openDialog(this); }
void TFCOMM::AlarmRulesClick() { alarms().openDialog(this, prompts()); }
void TFCOMM::NoteClick() { noteBox().open(); }

void TFCOMM::BitBtn1Click() { if (leaving_->mayQuit()) quit(); }

void TFCOMM::closeEvent(QCloseEvent* event)
{
    // The close box asks before it leaves rows that were never saved.
    if (!leaving_->mayClose())
        return event->ignore();
    settings_->keep();
    publishing_->stop();
    links_->closePort();
    event->accept();
}

void TFCOMM::offerRestore() { parts_.Panel5->showForeignJournals(leaving_->offerRestore()); }
void TFCOMM::endBySignal() { leaving_->endWithoutQuestion(); quit(); }

void TFCOMM::quit()
{
    leaving_->programEnds();
    close();
    // Ends every running event loop, a question's too, even before the main loop runs.
    QApplication::exit(0);
}
