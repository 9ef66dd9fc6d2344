#include "app/tfcomm.h"

#include "app/entry_guard.h"
#include "app/file_commands.h"
#include "app/leaving_questions.h"
#include "app/meter_links.h"
#include "app/platform_info.h"
#include "app/publishing_side.h"
#include "app/recorder_part.h"
#include "app/window_settings_binder.h"
#include "chart/chart_control.h"
#include "chart/chart_enlarge.h"
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
#include "ui/log_grid_view.h"
#include "ui/publish_status_label.h"
#include "ui/record_menu.h"
#include "ui/record_panel.h"
#include "ui/recorder_window.h"
#include "ui/safety_copy_label.h"
#include "ui/settings_note_label.h"
#include "ui/statistics_panel.h"
#include "ui/top_bar.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScopedValueRollback>


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
    journal_ = std::make_unique<JournalController>(
        *pipeline_, services_.journalFolder.isEmpty() ? defaultJournalFolder() : services_.journalFolder,
        QStringLiteral("window"));
    gridModel_ = std::make_unique<LogGridModel>(cds1(), [](const QString& u) { return displayUnit(u); });
    enlarger_ = std::make_unique<ChartEnlarger>();
    chartModel_ = std::make_unique<TrendChartModel>();
    pager_ = std::make_unique<TChartControl>(*chartModel_, 100);   // page size 100
    chartTools_ = std::make_unique<ChartToolPanel>(*pager_, *chartModel_);

    parts_ = buildWindowParts(
        *this, {pipeline_->panel(), *gridModel_, pipeline_->judge(), logger(), *chartTools_, *chartModel_,
                [this] { return clock_->userDecimalSeparator(); },
                [this] { const QString t = systeminfomation_.trimmed(); return t.isEmpty() ? QChar() : t.at(0); }},
        clock_->userLocale());
    statisticsPanel_ = new StatisticsPanel(*pipeline_, *pager_, *chartModel_, clock_->userLocale(), this);
    parts_.Chtshow->setReadOut(chartReadOut(cds1(), pipeline_->plotIndex()));
    files_ = std::make_unique<FileCommands>(FileCommands::Parts{
        *pipeline_, *prompts_, *parts_.Chtshow, this, [this] { return leaving_->mayEnd(JournalController::Ending::Replace); }});
    recorder_ = std::make_unique<RecorderPart>(
        RecorderPart::Parts{*pipeline_, *gridModel_, *parts_.DBGrid1, *pager_, *files_, *this,
                            [this] { parts_.TntPanel1->showState(); chart_->showValueAxis(); statisticsPanel_->changed(); }},
        clock_->userLocale());
    leaving_ = std::make_unique<LeavingQuestions>(*journal_, *pipeline_, *prompts_, *files_);
    publishing_ = std::make_unique<PublishingSide>(*pipeline_, *clock_);
    auto* publishStatus = new PublishStatusLabel(parts_.Panel5);
    connect(publishing_.get(), &PublishingSide::statusChanged, publishStatus, &PublishStatusLabel::showStatus);
    settings_ = std::make_unique<WindowSettingsBinder>(
        services_.settingsFile,
        WindowSettingsBinder::Parts{*parts_.Panel4, *parts_.Panel2, *pipeline_, *chartTools_, *pager_, *links_, *files_,
                                    recorder_->window(), *publishing_, [this](int item) { setRecordLimit(item); }});
    FormCreate();
    wireParts();
    wirePipeline();
    addShortcuts();
    parts_.SettingsNote->showProblem(settings_->apply(), services_.settingsFile);
    journal_->open(services_.journalMaxPages);
    connect(pipeline_->journal(), &RecordJournal::stateChanged, this, [this](bool on, const QString& reason) {
        parts_.SafetyCopy->showState(on, reason, pipeline_->journal()->path());
    });
    connect(links_.get(), &MeterLinks::controlsChanged, this, [this] { showConnectionState(); });
    connect(links_.get(), &MeterLinks::statusChanged, this, [this] { showLinkStatus(); });
    connect(links_.get(), &MeterLinks::linkStopped, this, [this] {
        pipeline_->panel().setLinkAlive(false);
        recorder_->linkSilent();
        showPanel();
    });
    showConnectionState();
    showPanel();

    ConTimer.setInterval(100);
    connect(&ConTimer, &QTimer::timeout, this, [this] { guard([this] { ConTimerTimer(); }); });
    ConTimer.start();
    Timer3.setInterval(RecordLogger::kDefaultIntervalMs);
    connect(&Timer3, &QTimer::timeout, this, [this] { guard([this] { Timer3Timer(); }); });
}

TFCOMM::~TFCOMM()
{
    links_.reset();
    recorder_.reset();
    // The chart view and the statistics window show what this window keeps: they go first.
    delete parts_.Chtshow;
    parts_.Chtshow = nullptr;
    delete statisticsPanel_;
    statisticsPanel_ = nullptr;
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
    if (variant.scaleCode != QLatin1String("4"))
        parts_.Panel3->showFullScale(variant.fullScaleCount);
    chartTools_->ResetSeries();
    parts_.Chtshow->setLeftAxisBounds(variant.fullScaleCount, -variant.fullScaleCount);
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
    QAction* mqtt = menuBar()->addMenu(QStringLiteral("&Publish"))->addAction(QStringLiteral("&MQTT..."));
    mqtt->setObjectName(QStringLiteral("MqttItem"));
    connect(mqtt, &QAction::triggered, this, [this] { guard([&] { MqttClick(); }); });

    connect(parts_.Panel2, &RecordPanel::intervalChanged, this, [this](int ms) { Timer3.setInterval(ms); });
    connect(parts_.Panel2->RecordNew, &QPushButton::clicked, this, [this] { guard([&] { RecordNewClick(); }); });
    connect(parts_.Panel2->saveas, &QPushButton::clicked, this, [this] { guard([&] { saveasClick(); }); });
    connect(parts_.Panel2->OpenDataFiles, &QPushButton::clicked, this, [this] { guard([&] { SpeedButton2Click(); }); });
    connect(parts_.Panel2->BtPrint, &QPushButton::clicked, this, [this] { guard([&] { BtPrintClick(); }); });
    connect(parts_.Panel2->Statistics, &QPushButton::toggled, this, [this](bool on) { statisticsPanel_->showBelow(*this, on); });
    connect(statisticsPanel_, &StatisticsPanel::hidden, this, [this] { parts_.Panel2->Statistics->setChecked(false); });
    connect(parts_.Panel2->Recorder, &QPushButton::toggled, this, [this](bool on) { recorder_->show(on); });
    connect(&recorder_->window(), &RecorderWindow::hidden, this, [this] { parts_.Panel2->Recorder->setChecked(false); });
}

void TFCOMM::wirePipeline()
{
    connect(pipeline_.get(), &ReadingPipeline::frameShown, this, [this](const Reading&) {
        parts_.Panel3->show(pipeline_->extremes().labels());
        // Timer3 runs while the logger samples; a running one keeps its period.
        if (!logger().samplingActive())
            Timer3.stop();
        else if (!Timer3.isActive())
            Timer3.start();
    });
    new GridFollower(*pipeline_, *gridModel_, *parts_.DBGrid1, this);
    chart_ = new ChartFollower({*pipeline_, *pager_, *chartTools_, *chartModel_, *parts_.TntPanel1}, this);
    connect(pipeline_.get(), &ReadingPipeline::rowLogged, this, [this] { showBar(); showRecordLimit(); });
    connect(pipeline_.get(), &ReadingPipeline::logCleared, this, [this] { showRecordLimit(); });
    connect(pipeline_.get(), &ReadingPipeline::logLoaded, this, [this] { showRecordLimit(); });
}

void TFCOMM::showConnectionState() { parts_.Panel5->show(links_->controls()); }
void TFCOMM::showLinkStatus() { parts_.Panel5->showLinkStatus(links_->statusText()); }

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
    // The time-out's message box runs the event loop; the ticks that come meanwhile are
    // dropped, so the watchdog does not count on while the box waits.
    if (inConTimer_)
        return;
    const QScopedValueRollback<bool> busy(inConTimer_, true);
    if (!pipeline_->watchdogTick())
        return;
    links_->watchdogSilent();
    recorder_->linkSilent();
    showPanel();
    chart_->showValueAxis();
}

void TFCOMM::setRecordLimit(int item)
{
    logger().setRecordLimit(item);
    showRecordLimit();
    chart_->showValueAxis();
}

void TFCOMM::addShortcuts()
{
    const std::pair<QKeySequence, void (TFCOMM::*)()> shortcuts[] = {
        {QKeySequence::Save, &TFCOMM::saveasClick}, {QKeySequence::Open, &TFCOMM::SpeedButton2Click},
        {QKeySequence::Print, &TFCOMM::BtPrintClick},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), &TFCOMM::BitBtn1Click}};   // Quit, with its questions
    for (const auto& [keys, handler] : shortcuts) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, h = handler] { guard([&] { (this->*h)(); }); });
        addAction(action);
    }
}

void TFCOMM::showRecordLimit()
{
    parts_.recordMenu->showLimit(logger().checkedLimitItem(), logger().atLimit(), logger().maxRecords());
}

void TFCOMM::RecordNewClick()
{
    if (prompts().askYesNo(QStringLiteral("Information"), RecordLogger::closeDataQuestion()))
        pipeline_->clearLog();
}

void TFCOMM::saveasClick() { files_->save(); }
void TFCOMM::SpeedButton2Click() { files_->open(); }
void TFCOMM::BtPrintClick() { files_->print(); }
void TFCOMM::BtSaveClick() { files_->picture(); }

void TFCOMM::TbFdClick()
{
    parts_.place(enlarger_->TbFdClick(parts_.Chtshow->geometry(), parts_.TntPanel1->pos(), centralWidget()->size()));
}

void TFCOMM::TbSxClick() { parts_.place(enlarger_->TbSxClick()); }

void TFCOMM::MqttClick() { publishing_->openDialog(this); }

void TFCOMM::BitBtn1Click() { if (leaving_->mayQuit()) quit(); }

void TFCOMM::closeEvent(QCloseEvent* event)
{
    // The close box asks before it leaves rows that were never saved.
    if (!leaving_->programEnding() && !leaving_->mayEnd(JournalController::Ending::Quit))
        return event->ignore();
    settings_->keep();
    publishing_->stop();
    links_->closePort();
    event->accept();
}

void TFCOMM::offerRestore() { parts_.Panel5->showForeignJournals(leaving_->offerRestore()); }

void TFCOMM::endBySignal() { journal_->endWithoutQuestion(); quit(); }

void TFCOMM::quit()
{
    leaving_->programEnds();
    close();
    // Ends every event loop running, a question's among them, also before the main loop runs
    // (quit() would wait for that one).
    QApplication::exit(0);
}
