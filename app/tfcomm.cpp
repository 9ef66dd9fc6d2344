#include "app/tfcomm.h"

#include "app/entry_guard.h"
#include "app/file_choices.h"
#include "app/platform_info.h"
#include "app/serial_port_access.h"
#include "app/usb_side.h"
#include "app/window_settings.h"
#include "chart/chart_control.h"
#include "chart/chart_enlarge.h"
#include "chart/chart_tool_panel.h"
#include "chart/page_value_axis.h"
#include "chart/refresh_throttle.h"
#include "chart/trend_chart_model.h"
#include "decode/range_table.h"
#include "decode/unit_display.h"
#include "link/comm_port_driver.h"
#include "link/port_keeper.h"
#include "link/serial_frame_assembly.h"
#include "log/files/table_file_outcome.h"
#include "log/files/table_files.h"
#include "log/journal/journal_files.h"
#include "log/log_grid_model.h"
#include "log/log_statistics.h"
#include "log/log_time_text.h"
#include "ui/bar_graph.h"
#include "ui/chart_picture.h"
#include "ui/chart_read_out.h"
#include "ui/chart_tool_bar.h"
#include "ui/chart_view.h"
#include "ui/extremes_panel.h"
#include "ui/file_dialogs.h"
#include "ui/file_progress_dialog.h"
#include "ui/judge_panel.h"
#include "ui/lcd_panel_widget.h"
#include "ui/log_grid_view.h"
#include "ui/record_menu.h"
#include "ui/record_panel.h"
#include "ui/report_preview.h"
#include "ui/safety_copy_label.h"
#include "ui/settings_note_label.h"
#include "ui/statistics_panel.h"
#include "ui/top_bar.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QScopedValueRollback>
#include <QScreen>

#include <cstdio>

template <typename F>
void TFCOMM::guard(F&& handler)
{
    guarded(prompts(), std::forward<F>(handler));
}

TFCOMM::TFCOMM(const Services& services, QWidget* parent) : QMainWindow(parent), services_(services)
{
    setObjectName(QStringLiteral("FCOMM"));
    if (!(prompts_ = services_.prompts))
        prompts_ = (ownPrompts_ = std::make_unique<DialogPrompts>(this)).get();
    files_ = std::make_unique<FileChoices>(*prompts_);
    if (!(clock_ = services_.clock))
        clock_ = (ownClock_ = std::make_unique<SystemLocaleClock>()).get();

    // COMM2 as the layout has it: COM1, 2400 bit/s, polled every 100 ms.
    comm2_ = std::make_unique<TCommPortDriver>(this);
    comm2_->SetComPort(pnCOM1);
    comm2_->SetComPortSpeed(br2400);
    comm2_->SetComPortPollingDelay(100);
    comm2_->SetArrivalClock([this] { return clock_->now(); });
    assembly_ = std::make_unique<SerialFrameAssembly>(
        [this](const QString& frameText) { LcdDisplayVK31C(frameText, assembly_->frameArrivedAt()); });
    keeper_ = std::make_unique<PortKeeper>(*comm2_);
    portAccess_ = std::make_unique<DriverPortAccess>(*comm2_, *keeper_);
    connection_ = std::make_unique<ConnectionController>(*portAccess_);
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
    statistics_ = std::make_unique<LogStatistics>(cds1());
    statisticsPanel_ = new StatisticsPanel(
        *statistics_,
        [this] {
            return ShownPage{pager_->CurrentPage(), qint64(chartModel_->recordAxisMinimum()),
                             qint64(chartModel_->recordAxisMaximum())};
        },
        clock_->userLocale(), this);
    parts_.Chtshow->setReadOut([this](qint64 record) {
        const std::int64_t row = statistics_->tableRowAt(record);
        return row < 0 ? QString() : chartReadOutText(cds1().row(row));
    });
    FormCreate();
    wireParts();
    wirePipeline();
    addShortcuts();
    applySettings();
    journal_->open(services_.journalMaxPages);
    connect(pipeline_->journal(), &RecordJournal::stateChanged, this, [this](bool on, const QString& reason) {
        parts_.SafetyCopy->showState(on, reason, pipeline_->journal()->path());
    });
    createUsbSide();
    connect(keeper_.get(), &PortKeeper::lost, this, [this] { linkStatus_.lost(clock_->now()); showLinkStatus(); });
    connect(keeper_.get(), &PortKeeper::regained, this, [this] { linkStatus_.regained(clock_->now()); showLinkStatus(); });
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
    usb_.reset();
    comm2_->ClosePort();
    // The chart view draws the model this window keeps: it goes before the model does; so does
    // the statistics window before the figures.
    delete parts_.Chtshow;
    parts_.Chtshow = nullptr;
    delete statisticsPanel_;
    statisticsPanel_ = nullptr;
}

long long TFCOMM::badFrames() const { return assembly_->badFrameCount() + usb_->badFrames(); }
bool TFCOMM::isChartEnlarged() const { return enlarger_->isEnlarged(); }

void TFCOMM::FormCreate()
{
    const StartupVariant variant = startupVariant(services_.flags);
    systeminfomation_ = clock_->systemDecimalSeparator();   // the locale probe

    // Receive path and speed after the model flags.
    if (variant.serialHandler == SerialHandler::HexPair)
        comm2_->OnReceiveData = [this](TCommPortDriver*, const char* data, int size, const ByteArrivals& arrivals) {
            guard([&] { RECEIVE_COM_Data(data, size, arrivals); });
        };
    else if (variant.serialHandler == SerialHandler::Nibble)
        comm2_->OnReceiveData = [this](TCommPortDriver*, const char* data, int size, const ByteArrivals&) {
            guard([&] { H20BRData(data, size); });
        };
    if (variant.serialBaud == 19200)
        comm2_->SetComPortSpeed(br19200);
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
    connect(parts_.Panel5, &TopBar::portPanelClicked, this, [this](int panel) {
        guard([&] { connection().portPanelClicked(panel); showConnectionState(); });
    });
    connect(parts_.Panel5, &TopBar::comConClicked, this, [this](bool down) { guard([&] { COMConClick(down); }); });
    connect(parts_.Panel5, &TopBar::usbConClicked, this, [this](bool down) { guard([&] { USBConClick(down); }); });
    connect(parts_.Panel5, &TopBar::quitClicked, this, [this] { guard([&] { BitBtn1Click(); }); });
    connect(parts_.Panel4, &JudgePanel::run, this, [this](const std::function<void()>& h) { guard(h); });
    // Paging changes the page the axis and the statistics show.
    connect(parts_.TntPanel1, &ChartToolBar::run, this, [this](const std::function<void()>& h) {
        guard(h);
        showValueAxis();
        statisticsPanel_->changed();
    });
    connect(parts_.TntPanel1, &ChartToolBar::saveClicked, this, [this] { guard([&] { BtSaveClick(); }); });
    connect(parts_.TntPanel1, &ChartToolBar::enlargeClicked, this, [this] { guard([&] { TbFdClick(); }); });
    connect(parts_.TntPanel1, &ChartToolBar::restoreClicked, this, [this] { guard([&] { TbSxClick(); }); });
    connect(parts_.recordMenu, &RecordMenu::limitChosen, this, [this](int item) { guard([&] { setRecordLimit(item); }); });
    connect(parts_.recordMenu, &RecordMenu::newChosen, this, [this] { guard([&] { RecordNewClick(); }); });
    connect(parts_.recordMenu, &RecordMenu::saveChosen, this, [this] { guard([&] { saveasClick(); }); });

    connect(parts_.Panel2, &RecordPanel::intervalChanged, this, [this](int ms) { Timer3.setInterval(ms); });
    connect(parts_.Panel2->RecordNew, &QPushButton::clicked, this, [this] { guard([&] { RecordNewClick(); }); });
    connect(parts_.Panel2->saveas, &QPushButton::clicked, this, [this] { guard([&] { saveasClick(); }); });
    connect(parts_.Panel2->OpenDataFiles, &QPushButton::clicked, this, [this] { guard([&] { SpeedButton2Click(); }); });
    connect(parts_.Panel2->BtPrint, &QPushButton::clicked, this, [this] { guard([&] { BtPrintClick(); }); });
    connect(parts_.Panel2->Statistics, &QPushButton::toggled, this, [this](bool on) { showStatistics(on); });
    connect(statisticsPanel_, &StatisticsPanel::hidden, this, [this] { parts_.Panel2->Statistics->setChecked(false); });
}

void TFCOMM::wirePipeline()
{
    connect(pipeline_.get(), &ReadingPipeline::frameShown, this, [this](const Reading&) {
        parts_.Panel3->show(pipeline_->extremes().labels());
        showValueAxis();
        // Timer3 runs while the logger samples; a running one keeps its period.
        if (!logger().samplingActive())
            Timer3.stop();
        else if (!Timer3.isActive())
            Timer3.start();
    });
    // The grid catches up once per burst of rows, not once per row, and no more often than the
    // chart redraws: with millions of rows each catch-up costs the grid's header a walk.
    // The grid keeps to the end by itself while it shows the end.
    gridCatchUp_ = std::make_unique<RefreshThrottle>(ChartView::kMinRefreshGapMs, [this] { gridModel_->rowsAppended(); });
    connect(pipeline_.get(), &ReadingPipeline::rowLogged, this, [this](const LogRow& row) {
        showBar();
        gridCatchUp_->request();
        showRecordLimit();
        pager_->AddValue(row.readingValue.value_or(0));
        statistics_->rowLogged(row, std::int64_t(chartModel_->pointCount()) - 1, cds1().rowCount() - 1);
        statisticsPanel_->changed();
        parts_.TntPanel1->showState();
    });
    // A log emptied or replaced starts the chart as at start-up: the next row is record 1.
    const auto chartStartsAgain = [this] {
        pager_->ClearChart();
        chartTools_->ResetSeries();
        parts_.TntPanel1->showState();
        showRecordLimit();
    };
    connect(pipeline_.get(), &ReadingPipeline::logCleared, this, [this, chartStartsAgain] {
        chartStartsAgain();
        gridModel_->tableReset();
        statistics_->cleared();
        statisticsPanel_->changed();
    });
    connect(pipeline_.get(), &ReadingPipeline::logLoaded, this, [this, chartStartsAgain](bool replaced) {
        if (replaced)
            chartStartsAgain();
        gridModel_->tableReset();
        parts_.DBGrid1->scrollToBottom();
        statistics_->loaded(replaced);
        statisticsPanel_->changed();
    });
}

void TFCOMM::createUsbSide()
{
    usb_ = std::make_unique<UsbSide>(
        services_.hidPlatform, services_.flags, prompts(),
        [this](const QString& frameText, const QDateTime& arrivedAt) { LcdDisplayVK31C(frameText, arrivedAt); },
        [this] { return clock_->now(); });
    connect(usb_.get(), &UsbSide::controlsChanged, this, [this](const UsbLinkControls& c) {
        if (c.receiving)
            connection().usbTookOver(c.caption);
        else
            connection().usbGaveBack(c.caption);
        showConnectionState();
        linkOpened(c.receiving, QStringLiteral("the USB cable"));
    });
    connect(usb_.get(), &UsbSide::adapterLost, this, [this] { linkStatus_.lost(clock_->now()); showLinkStatus(); });
    connect(usb_.get(), &UsbSide::adapterBack, this, [this] { linkStatus_.regained(clock_->now()); showLinkStatus(); });
}

void TFCOMM::showConnectionState()
{
    parts_.Panel5->show(connection().controls());
}

void TFCOMM::showLinkStatus()
{
    parts_.Panel5->showLinkStatus(linkStatus_.text(timeSeparatorOf(clock_->userLocale())));
}

// A link began or stopped receiving (or stayed as it was). Once it stops, the display no
// longer shows a live value.
void TFCOMM::linkOpened(bool open, const QString& source)
{
    const bool wasOpen = linkStatus_.isOpen() && linkStatus_.source() == source;
    if (open == wasOpen || (!open && linkStatus_.isOpen() && !wasOpen))
        return;   // unchanged, or the other link's
    if (open) {
        linkStatus_.opened(source, clock_->now(), comm2_->OverrunBytes());
    } else {
        linkStatus_.closed();
        pipeline_->panel().setLinkAlive(false);
        showPanel();
    }
    showLinkStatus();
}

void TFCOMM::showPanel()
{
    const bool alive = pipeline_->panel().linkAlive();
    parts_.Panel1->setLive(alive);
    parts_.Panel1->refresh();
    showBar();
    parts_.Panel4->showLink(alive, badFrames(), comm2_->OverrunBytes());
    if (linkStatus_.droppedBytes(comm2_->OverrunBytes()))
        showLinkStatus();
}

void TFCOMM::showBar()
{
    parts_.PBar2->show(pipeline_->panel().barMaximum(), pipeline_->panel().barPosition());
}

void TFCOMM::RECEIVE_COM_Data(const char* data, int size, const ByteArrivals& arrivals)
{
    assembly_->receiveHexPairs(data, size, arrivals);
    showPanel();
}

void TFCOMM::H20BRData(const char* data, int size)
{
    assembly_->receiveNibbles(data, size);
}

void TFCOMM::LcdDisplayVK31C(const QString& frameText, const QDateTime& arrivedAt)
{
    struct Repaint {
        TFCOMM* w;
        ~Repaint() { w->showPanel(); w->parts_.Panel4->showVerdict(); }
    } repaint{this};
    if (linkStatus_.frameArrived(clock_->now()))
        showLinkStatus();
    pipeline_->showFrame(frameText, arrivedAt);
}

void TFCOMM::Timer3Timer()
{
    pipeline_->sample();
}

void TFCOMM::COMConClick(bool down)
{
    const QString failure = connection().COMConClick(down);
    showConnectionState();
    linkOpened(connection().controls().comConDown, QStringLiteral("COM%1").arg(portAccess_->selectedPort()));
    if (!failure.isEmpty())
        prompts().error(failure);
}

void TFCOMM::USBConClick(bool down)
{
    usb_->USBConClick(down);
    // A click the link refused still leaves the button as the link sees it.
    showConnectionState();
}

void TFCOMM::ConTimerTimer()
{
    // The time-out's message box runs the event loop; the ticks that come meanwhile are
    // dropped, so the watchdog does not count on while the box waits.
    if (inConTimer_)
        return;
    const QScopedValueRollback<bool> busy(inConTimer_, true);
    if (!pipeline_->watchdogTick())
        return;
    // On the tick the indicator turns, the USB side checks for its silence time-out.
    usb_->linkSilent();
    linkStatus_.silent();
    showPanel();
    showLinkStatus();
    showValueAxis();
}

void TFCOMM::setRecordLimit(int item)
{
    logger().setRecordLimit(item);
    showRecordLimit();
    showValueAxis();
}

void TFCOMM::showValueAxis()
{
    // An old page, or a page that no longer grows, drawn at the meter's present range would be
    // clipped or flattened: it gets its own values' scale.
    const bool live = !pager_->Browsing() && !logger().atLimit() && pipeline_->panel().linkAlive();
    if (live) {
        if (const RangeRow* range = reading().range)
            setValueAxis(*chartModel_, {range->bound, -range->bound});
    } else if (const std::optional<ValueAxisBounds> page = pageValueAxis(*chartModel_)) {
        setValueAxis(*chartModel_, *page);
    }
}

void TFCOMM::showStatistics(bool shown)
{
    if (!shown)
        return statisticsPanel_->hide();
    if (!statisticsPanel_->isVisible()) {
        // Below the window, as far as the screen has room.
        const QRect frame = frameGeometry();
        QPoint at(frame.left(), frame.bottom() + 4);
        if (const QScreen* s = screen()) {
            const QRect room = s->availableGeometry();
            at.setY(std::min(at.y(), room.bottom() - statisticsPanel_->frameGeometry().height()));
            at.setX(std::max(room.left(), std::min(at.x(), room.right() - statisticsPanel_->frameGeometry().width())));
        }
        statisticsPanel_->move(at);
    }
    statisticsPanel_->show();
    statisticsPanel_->raise();
}

void TFCOMM::addShortcuts()
{
    const struct {
        QKeySequence keys;
        void (TFCOMM::*handler)();
    } shortcuts[] = {
        {QKeySequence::Save, &TFCOMM::saveasClick},
        {QKeySequence::Open, &TFCOMM::SpeedButton2Click},
        {QKeySequence::Print, &TFCOMM::BtPrintClick},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), &TFCOMM::BitBtn1Click},   // Quit, with its questions
    };
    for (const auto& s : shortcuts) {
        auto* action = new QAction(this);
        action->setShortcut(s.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, handler = s.handler] { guard([&] { (this->*handler)(); }); });
        addAction(action);
    }
}

void TFCOMM::applySettings()
{
    if (services_.settingsFile.isEmpty())
        return;
    const LoadedSettings loaded = loadWindowSettings(services_.settingsFile);
    parts_.SettingsNote->showProblem(loaded.problem, services_.settingsFile);
    const WindowSettings& s = loaded.settings;
    parts_.Panel4->T1HI->setText(s.high);
    parts_.Panel4->T1LO->setText(s.low);
    parts_.Panel2->RepeatSet->setChecked(s.repeat);
    parts_.Panel2->RecordSITime->setText(QString::number(s.intervalSeconds));
    setRecordLimit(s.recordLimitItem);
    chartTools_->restore(s.pageSize, s.fill);
    parts_.TntPanel1->showState();
    connection().portPanelClicked(s.comPort == 1 ? 4 : s.comPort - 1);   // a panel selects the port after it
    showConnectionState();
    files_->setLastFolder(s.lastFolder);
}

void TFCOMM::keepSettings()
{
    if (services_.settingsFile.isEmpty())
        return;
    WindowSettings s;
    s.high = pipeline_->judge().limitCeilingText();
    s.low = pipeline_->judge().limitFloorText();
    s.repeat = logger().repeatSet();
    s.intervalSeconds = logger().intervalMs() / 1000;
    s.recordLimitItem = logger().checkedLimitItem() < 0 ? RecordLogger::kDefaultLimitItem : logger().checkedLimitItem();
    s.pageSize = pager_->PageSize();
    s.fill = chartTools_->fillChecked();
    s.comPort = portAccess_->selectedPort();
    s.lastFolder = files_->lastFolder();
    // The window is going: the reason goes to standard error, the quit goes on.
    if (const QString why = saveWindowSettings(services_.settingsFile, s); !why.isEmpty())
        std::fprintf(stderr, "meter-logger: the settings were not saved to %s: %s\n", qPrintable(services_.settingsFile),
                     qPrintable(why));
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

void TFCOMM::saveasClick()
{
    saveLog();
}

bool TFCOMM::saveLog()
{
    const QString name = files_->saveName(saveTableDialogParams());
    if (name.isEmpty())
        return false;
    const FileOutcome outcome = [&] {
        FileProgressDialog saving(this, QStringLiteral("Saving %1").arg(name), false);
        return pipeline_->saveTable(name, saving.progress());
    }();
    files_->show(outcome);
    return outcome.ok;
}

bool TFCOMM::saveRows(const LogTable& rows)
{
    const QString name = files_->saveName(saveTableDialogParams());
    if (name.isEmpty())
        return false;
    const FileOutcome outcome = saveTableFile(rows, name);
    files_->show(outcome);
    return outcome.ok;
}

void TFCOMM::SpeedButton2Click()
{
    const QString name = files_->openName(openTableDialogParams());
    if (name.isEmpty())
        return;
    // A packet replaces the log: unsaved rows are saved or discarded first, or nothing happens.
    // A text table is appended and takes nothing away.
    FileOutcome outcome;
    {
        FileProgressDialog opening(this, QStringLiteral("Opening %1").arg(name), true);
        outcome = pipeline_->loadTable(
            name,
            [&] {
                opening.close();   // the file is read: the question comes alone
                return mayEnd(JournalController::Ending::Replace);
            },
            opening.progress());
    }
    files_->show(outcome);
}

void TFCOMM::BtPrintClick()
{
    if (cds1().rowCount() == 0)
        return prompts().inform(QStringLiteral("There is nothing to print."));
    showReportPreview(this, cds1(), [](const QString& u) { return displayUnit(u); });
    repaint();
}

void TFCOMM::BtSaveClick()
{
    const QString name = files_->saveName(chartPictureDialogParams());
    if (name.isEmpty())
        return;
    parts_.Chtshow->refreshNow();
    files_->show(saveChartPicture(parts_.Chtshow->renderImage(), name));
}

void TFCOMM::TbFdClick()
{
    parts_.place(enlarger_->TbFdClick(parts_.Chtshow->geometry(), parts_.TntPanel1->pos(), centralWidget()->size()));
}

void TFCOMM::TbSxClick()
{
    parts_.place(enlarger_->TbSxClick());
}

JournalController::Choose TFCOMM::choose()
{
    return [this](const QString& text, const QStringList& buttons, int escapeIndex) {
        // Once the program is ending (a signal), nothing more is asked: the rows stay kept.
        return quitting_ ? -1 : prompts().choose(QStringLiteral("Information"), text, buttons, escapeIndex);
    };
}

bool TFCOMM::mayEnd(JournalController::Ending ending)
{
    // Frames arriving: the log may grow while the question is open.
    const bool rowsComing = pipeline_->panel().linkAlive();
    return journal_->mayEnd(ending, rowsComing, choose(), [this] { return saveLog(); });
}

void TFCOMM::BitBtn1Click()
{
    const QString question = QStringLiteral("Are you sure that you want to quit this application?");
    if (hasUnsavedRows() ? mayEnd(JournalController::Ending::Quit) : prompts().askYesNo(QStringLiteral("Information"), question))
        quit();
}

void TFCOMM::closeEvent(QCloseEvent* event)
{
    // The close box asks before it leaves rows that were never saved.
    if (!quitting_ && !mayEnd(JournalController::Ending::Quit))
        return event->ignore();
    keepSettings();
    comm2_->ClosePort();
    event->accept();
}

void TFCOMM::offerRestore()
{
    parts_.Panel5->showForeignJournals(
        journal_->offerRestore(choose(), [this](const LogTable& rows) { return saveRows(rows); }));
}

void TFCOMM::endBySignal()
{
    journal_->endWithoutQuestion();
    quit();
}

void TFCOMM::quit()
{
    quitting_ = true;
    close();
    // Ends every event loop running, a question's among them, also before the main loop runs
    // (quit() would wait for that one).
    QApplication::exit(0);
}
