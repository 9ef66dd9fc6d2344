#include "app/tfcomm.h"

#include "app/chart_tool_bar.h"
#include "app/entry_guard.h"
#include "app/file_dialogs.h"
#include "app/grid_columns.h"
#include "app/judge_panel.h"
#include "app/platform_info.h"
#include "app/record_panel.h"
#include "app/serial_port_access.h"
#include "app/usb_side.h"
#include "chart/chart_control.h"
#include "chart/chart_enlarge.h"
#include "chart/chart_tool_panel.h"
#include "chart/refresh_throttle.h"
#include "chart/trend_chart_model.h"
#include "reading/extremes.h"
#include "reading/lcd_panel_model.h"
#include "reading/limit_judge.h"
#include "decode/range_table.h"
#include "decode/unit_display.h"
#include "link/comm_port_driver.h"
#include "link/serial_frame_assembly.h"
#include "log/journal/journal_files.h"
#include "log/journal/journal_store.h"
#include "log/log_grid_model.h"
#include "log/log_table.h"
#include "log/journal/record_journal.h"
#include "log/record_logger.h"
#include "log/files/table_files.h"
#include "ui/chart_picture.h"
#include "ui/chart_view.h"
#include "ui/lcd_panel_widget.h"
#include "ui/log_grid_view.h"
#include "ui/link_indicator_widget.h"
#include "ui/report_preview.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QScopedValueRollback>
#include <QTableView>

namespace {
const QString kQuitQuestion = QStringLiteral("Are you sure that you want to quit this application?");
}

template <typename F>
void TFCOMM::guard(F&& handler)
{
    guarded(prompts(), std::forward<F>(handler));
}

TFCOMM::TFCOMM(const Services& services, QWidget* parent) : QMainWindow(parent), services_(services)
{
    setObjectName(QStringLiteral("FCOMM"));
    if (services_.prompts) {
        prompts_ = services_.prompts;
    } else {
        ownPrompts_ = std::make_unique<DialogPrompts>(this);
        prompts_ = ownPrompts_.get();
    }
    if (services_.clock) {
        clock_ = services_.clock;
    } else {
        ownClock_ = std::make_unique<SystemLocaleClock>();
        clock_ = ownClock_.get();
    }

    // COMM2 as the layout has it: COM1, 2400 bit/s, polled every 100 ms.
    comm2_ = std::make_unique<TCommPortDriver>(this);
    comm2_->SetComPort(pnCOM1);
    comm2_->SetComPortSpeed(br2400);
    comm2_->SetComPortPollingDelay(100);
    assembly_ = std::make_unique<SerialFrameAssembly>();
    portAccess_ = std::make_unique<DriverPortAccess>(*comm2_);
    connection_ = std::make_unique<ConnectionController>(*portAccess_);
    pipeline_ = std::make_unique<ReadingPipeline>(startupVariant(services_.flags).fullScaleCount, *clock_);
    journal_ = std::make_unique<JournalController>(
        *pipeline_, services_.journalFolder.isEmpty() ? defaultJournalFolder() : services_.journalFolder,
        QStringLiteral("window"));
    gridModel_ = std::make_unique<LogGridModel>(cds1(), [](const QString& u) { return displayUnit(u); });
    enlarger_ = std::make_unique<ChartEnlarger>();
    chartModel_ = std::make_unique<TrendChartModel>();

    buildLayout();
    buildMenus();
    // The window is as large as the client area plus the menu bar, and the window manager is
    // told so (equal minimum and maximum): it can be neither resized nor maximised.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    FormCreate();
    wireLogging();
    createJournal();
    createUsbSide();
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
    // The chart view draws the model this window keeps: it goes before the model does.
    delete Chtshow;
    Chtshow = nullptr;
}

long long TFCOMM::badFrames() const { return assembly_->badFrameCount() + usb_->badFrames(); }
bool TFCOMM::isChartEnlarged() const { return enlarger_->isEnlarged(); }

void TFCOMM::buildLayout()
{
    // A compact font, so the layout's narrow columns and captions hold their texts.
    QFont compact = font();
    compact.setPixelSize(11);
    setFont(compact);

    auto* client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);
    // A fixed window: title, system menu, minimise and close, but no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    Panel5 = new TopBar(client);
    Panel5->setGeometry(0, 0, kClientWidth, 32);
    connect(Panel5, &TopBar::portPanelClicked, this, [this](int panel) {
        guard([&] { connection().portPanelClicked(panel); showConnectionState(); });
    });
    connect(Panel5, &TopBar::comConClicked, this, [this](bool down) { guard([&] { COMConClick(down); }); });
    connect(Panel5, &TopBar::usbConClicked, this, [this](bool down) { guard([&] { USBConClick(down); }); });
    connect(Panel5, &TopBar::quitClicked, this, [this] { guard([&] { BitBtn1Click(); }); });

    Panel1 = new LcdPanelWidget(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(5, 36, 302, 162);
    Panel1->setModel(&panel());
    PBar2 = new QProgressBar(client);
    PBar2->setObjectName(QStringLiteral("PBar2"));
    PBar2->setGeometry(5, 197, 302, 17);
    PBar2->setTextVisible(false);
    PBar2->setRange(0, 60);
    PBar2->setValue(30);

    Panel2 = new RecordPanel(client);
    Panel2->setGeometry(4, 216, 305, 41);

    DBGrid1 = new LogGridView(client);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(4, 264, 303, 241);
    DBGrid1->setModel(gridModel_.get());
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont gridFont = DBGrid1->font();
    gridFont.setPixelSize(10);
    DBGrid1->setFont(gridFont);
    DBGrid1->setStyleSheet(QStringLiteral("QTableView::item { padding: 0px 1px; }"));
    DBGrid1->verticalHeader()->hide();
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid1->verticalHeader()->setDefaultSectionSize(18);
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    fitGridColumns(*DBGrid1, widestGridTexts(clock_->userLocale(), clock_->userDecimalSeparator()));

    Panel4 = new JudgePanel(judge(), [this] { return clock_->userDecimalSeparator(); },
                            [this] { const QString t = systeminfomation_.trimmed(); return t.isEmpty() ? QChar() : t.at(0); },
                            client);
    Panel4->setGeometry(308, 34, 351, 116);
    connect(Panel4, &JudgePanel::run, this, [this](const std::function<void()>& h) { guard(h); });

    // The extremes labels lie below the visible client area, as in the layout.
    Panel3 = new QFrame(client);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setGeometry(4, kClientHeight + 4, 300, 24);
    auto label = [this](const char* name, const QString& text, int x) {
        auto* l = new QLabel(text, Panel3);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(x, 2, 60, 20);
        return l;
    };
    label("LabMin", QStringLiteral("MIN: "), 0);
    MinText = label("MinText", QStringLiteral("4001"), 40);
    MinTextU = label("MinTextU", QString(), 100);
    label("LabMax", QStringLiteral("MAX: "), 150);
    MaxText = label("MaxText", QStringLiteral("-4001"), 190);
    MaxTextU = label("MaxTextU", QString(), 250);

    Chtshow = new ChartView(*chartModel_, client);
    Chtshow->setObjectName(QStringLiteral("Chtshow"));
    Chtshow->setGeometry(309, 189, 350, 316);
}

void TFCOMM::buildMenus()
{
    RecordMenu = menuBar()->addMenu(QStringLiteral("Record"));
    RecordMenu->setObjectName(QStringLiteral("RecordMenu"));
    auto* group = new QActionGroup(this);
    for (int i = 0; i < RecordLogger::kLimitCount; ++i) {
        QAction* a = RecordMenu->addAction(RecordLogger::limitCaption(i));
        a->setCheckable(true);
        a->setChecked(i == RecordLogger::kDefaultLimitItem);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { guard([&] { setRecordLimit(i); }); });
        RecordLimitItems[i] = a;
    }
    // Logging stops silently at the record limit; the menu bar says so while it lasts.
    RecordLimitHint = new QLabel(menuBar());
    RecordLimitHint->setObjectName(QStringLiteral("RecordLimitHint"));
    RecordLimitHint->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); font-weight: bold; padding: 0px 6px"));
    RecordLimitHint->hide();
    menuBar()->setCornerWidget(RecordLimitHint, Qt::TopRightCorner);
    // The hidden items "New" and "Save" and the hidden menus keep their handlers reachable.
    QAction* newItem = RecordMenu->addAction(QStringLiteral("New"));
    newItem->setVisible(false);
    connect(newItem, &QAction::triggered, this, [this] { guard([&] { RecordNewClick(); }); });
    QAction* saveItem = RecordMenu->addAction(QStringLiteral("Save"));
    saveItem->setVisible(false);
    connect(saveItem, &QAction::triggered, this, [this] { guard([&] { saveasClick(); }); });
}

void TFCOMM::FormCreate()
{
    const StartupVariant variant = startupVariant(services_.flags);

    // The chart and its pager, page size 100.
    pager_ = std::make_unique<TChartControl>(Chtshow->model(), 100);
    chartTools_ = std::make_unique<ChartToolPanel>(*pager_, Chtshow->model());
    TntPanel1 = new ChartToolBar(*chartTools_, centralWidget());
    TntPanel1->setGeometry(306, 149, 353, 41);
    connect(TntPanel1, &ChartToolBar::run, this, [this](const std::function<void()>& h) { guard(h); });
    connect(TntPanel1, &ChartToolBar::saveClicked, this, [this] { guard([&] { BtSaveClick(); }); });
    connect(TntPanel1, &ChartToolBar::enlargeClicked, this, [this] { guard([&] { TbFdClick(); }); });
    connect(TntPanel1, &ChartToolBar::restoreClicked, this, [this] { guard([&] { TbSxClick(); }); });
    chartTools_->setStateChangedListener([this] { TntPanel1->showState(); });
    connect(&chartTools_->Timer2(), &QTimer::timeout, this, [this] { guard([&] { chartTools_->Timer2Timer(); }); });

    // Locale probes.
    systeminfomation_ = clock_->systemDecimalSeparator();

    // Receive path and speed after the model flags.
    switch (variant.serialHandler) {
    case SerialHandler::HexPair:
        comm2_->OnReceiveData = [this](TCommPortDriver*, const char* data, int size) {
            guard([&] { assembly_->RECEIVE_COM_Data(data, size); showPanel(); });
        };
        break;
    case SerialHandler::Nibble:
        comm2_->OnReceiveData = [this](TCommPortDriver*, const char* data, int size) {
            guard([&] { assembly_->H20BRData(data, size); });
        };
        break;
    case SerialHandler::None:
        break;
    }
    if (variant.serialBaud == 19200)
        comm2_->SetComPortSpeed(br19200);
    if (variant.digit1Caption)
        panel().setDigitCaption(0, *variant.digit1Caption);

    // The full scale of the model: extremes, their labels and the value axis.
    const int fullScale = variant.fullScaleCount;
    extremes().setShowSeries([this] { chartTools_->ShowChosenSeries(); });
    if (variant.scaleCode != QLatin1String("4")) {
        MinText->setText(QString::number(fullScale + 1));
        MaxText->setText(QString::number(-(fullScale + 1)));
    }
    chartTools_->ResetSeries();
    Chtshow->setLeftAxisBounds(fullScale, -fullScale);
    assembly_->setFrameHandler([this](const QString& frameText) { LcdDisplayVK31C(frameText); });

    setWindowTitle(variant.title.value_or(QStringLiteral("VK31C_D  win7")) + platformSuffix());
}

void TFCOMM::wireLogging()
{
    connect(pipeline_.get(), &ReadingPipeline::frameShown, this, [this](const Reading& reading) {
        const ExtremesLabels l = extremes().labels();
        MaxText->setText(l.maxText);
        MinText->setText(l.minText);
        MaxTextU->setText(displayUnit(l.unit));
        MinTextU->setText(displayUnit(l.unit));
        if (reading.range)
            Chtshow->model().setLeftAxisBounds(reading.range->bound, -reading.range->bound);
        // Timer3 runs while the logger samples; a running one keeps its period.
        if (!logger().samplingActive())
            Timer3.stop();
        else if (!Timer3.isActive())
            Timer3.start();
    });
    // The grid catches up once per burst of rows, not once per row, and no more often than the
    // chart redraws: with millions of rows each catch-up costs the grid's header a walk.
    gridCatchUp_ = std::make_unique<RefreshThrottle>(ChartView::kMinRefreshGapMs, [this] {
        gridModel_->rowsAppended();
        DBGrid1->scrollToBottom();
    });
    connect(pipeline_.get(), &ReadingPipeline::rowLogged, this, [this](const LogRow& row) {
        showBar();
        gridCatchUp_->request();
        showRecordLimit();
        pager_->AddValue(row.readingValue.value_or(0));
        TntPanel1->showState();
    });
    connect(pipeline_.get(), &ReadingPipeline::logCleared, this, [this] {
        pager_->ClearChart();
        TntPanel1->showState();
        gridModel_->tableReset();
    });
    connect(pipeline_.get(), &ReadingPipeline::logLoaded, this, [this] {
        gridModel_->tableReset();
        DBGrid1->scrollToBottom();
    });

    connect(Panel2->RepeatSet, &QCheckBox::toggled, this, [this](bool on) { logger().setRepeatSet(on); });
    connect(Panel2->RecordSI, &QCheckBox::toggled, this, [this](bool on) { logger().setRecordSI(on); });
    connect(Panel2->RecordSITime, &QLineEdit::textChanged, this, [this](const QString& text) {
        guard([&] {
            const RecordLogger::IntervalChange change = logger().setIntervalText(text);
            if (change.outcome == RecordLogger::IntervalChange::Ignored)
                return;
            if (change.boxText != Panel2->RecordSITime->text()) {
                const QSignalBlocker block(Panel2->RecordSITime);
                Panel2->RecordSITime->setText(change.boxText);
            }
            if (change.outcome == RecordLogger::IntervalChange::Applied)
                Timer3.setInterval(change.intervalMs);
        });
    });
    connect(Panel2->RecordNew, &QPushButton::clicked, this, [this] { guard([&] { RecordNewClick(); }); });
    connect(Panel2->saveas, &QPushButton::clicked, this, [this] { guard([&] { saveasClick(); }); });
    connect(Panel2->OpenDataFiles, &QPushButton::clicked, this, [this] { guard([&] { SpeedButton2Click(); }); });
    connect(Panel2->BtPrint, &QPushButton::clicked, this, [this] { guard([&] { BtPrintClick(); }); });
}

void TFCOMM::createUsbSide()
{
    UsbSide::Hooks hooks;
    hooks.onFrame = [this](const QString& frameText) { LcdDisplayVK31C(frameText); };
    hooks.controlsChanged = [this](const UsbLinkControls& c) {
        if (c.receiving)
            connection().usbTookOver(c.caption);
        else
            connection().usbGaveBack(c.caption);
        showConnectionState();
    };
    usb_ = std::make_unique<UsbSide>(services_.hidPlatform, services_.flags, prompts(), std::move(hooks));
}

void TFCOMM::showConnectionState()
{
    Panel5->show(connection().controls());
}

void TFCOMM::showPanel()
{
    Panel1->refresh();
    showBar();
    Panel4->CONok->setAlive(panel().linkAlive());
    const long long bad = badFrames();
    QStringList faults;
    if (bad)
        faults << (bad == 1 ? QStringLiteral("1 bad frame") : QStringLiteral("%1 bad frames").arg(bad));
    // Bytes the serial driver had to drop because the port sent faster than it is polled.
    const long long dropped = comm2_->OverrunBytes();
    if (dropped)
        faults << (dropped == 1 ? QStringLiteral("1 byte dropped (overrun)")
                                : QStringLiteral("%1 bytes dropped (overrun)").arg(dropped));
    const QString tip = !faults.isEmpty() ? faults.join(QStringLiteral(", "))
                                          : (panel().linkAlive() ? QStringLiteral("Frames are arriving")
                                                                 : QStringLiteral("No frames"));
    if (Panel4->CONok->toolTip() != tip)
        Panel4->CONok->setToolTip(tip);
}

void TFCOMM::showBar()
{
    // The frame sets the maximum before logging sets the position; the bar follows in that
    // order. The model keeps the position within the range, so Qt never empties the bar.
    const int maximum = qMax(0, panel().barMaximum());
    if (PBar2->maximum() == maximum && PBar2->value() == panel().barPosition())
        return;
    // A progress bar repaints itself at once on a new value, which costs a paint of its own
    // each time; with updates held, the change is drawn with the rest of the window instead.
    PBar2->setUpdatesEnabled(false);
    if (PBar2->maximum() != maximum)
        PBar2->setMaximum(maximum);
    if (PBar2->value() != panel().barPosition())
        PBar2->setValue(panel().barPosition());
    PBar2->setUpdatesEnabled(true);
}

void TFCOMM::LcdDisplayVK31C(const QString& frameText)
{
    struct Repaint {
        TFCOMM* w;
        ~Repaint() { w->showPanel(); w->Panel4->showVerdict(); }
    } repaint{this};
    pipeline_->showFrame(frameText);
}

void TFCOMM::Timer3Timer()
{
    pipeline_->sample();
}

void TFCOMM::COMConClick(bool down)
{
    const QString failure = connection().COMConClick(down);
    showConnectionState();
    if (!failure.isEmpty())
        prompts().error(failure);
}

void TFCOMM::USBConClick(bool down)
{
    usb_->USBConClick(down);
    // A click the link refused still leaves the button as the link sees it.
    showConnectionState();
}

void TFCOMM::BTCon1Click()
{
    const QString failure = connection().BTCon1Click();
    showConnectionState();
    if (!failure.isEmpty())
        prompts().error(failure);
}

void TFCOMM::BtDiscon1Click()
{
    connection().BtDiscon1Click();
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
    showPanel();
}

void TFCOMM::setRecordLimit(int item)
{
    logger().setRecordLimit(item);
    for (int i = 0; i < RecordLogger::kLimitCount; ++i)
        RecordLimitItems[i]->setChecked(i == logger().checkedLimitItem());
    showRecordLimit();
}

void TFCOMM::showRecordLimit()
{
    const bool reached = logger().atLimit();
    if (reached)
        RecordLimitHint->setText(QStringLiteral("Record limit %1 reached").arg(logger().maxRecords()));
    if (RecordLimitHint->isVisibleTo(this) != reached)
        RecordLimitHint->setVisible(reached);
}

void TFCOMM::RecordNewClick()
{
    if (!prompts().askYesNo(QStringLiteral("Information"), RecordLogger::closeDataQuestion()))
        return;
    pipeline_->clearLog();
    showRecordLimit();
}

void TFCOMM::showOutcome(const FileOutcome& outcome)
{
    switch (outcome.show) {
    case FileOutcome::Show::Information: prompts().inform(outcome.text); break;
    case FileOutcome::Show::Error: prompts().error(outcome.text); break;
    case FileOutcome::Show::Nothing: break;
    }
}

void TFCOMM::saveasClick()
{
    saveLog();
}

bool TFCOMM::saveLog()
{
    const QString name = prompts().chooseSaveFile(saveTableDialogParams());
    if (name.isEmpty())
        return false;
    const FileOutcome outcome = pipeline_->saveTable(name);
    showOutcome(outcome);
    return outcome.ok;
}

void TFCOMM::SpeedButton2Click()
{
    const QString name = prompts().chooseOpenFile(openTableDialogParams());
    if (name.isEmpty())
        return;
    showOutcome(pipeline_->loadTable(name));
}

void TFCOMM::BtPrintClick()
{
    if (cds1().rowCount() == 0) {
        prompts().inform(QStringLiteral("There is nothing to print."));
        return;
    }
    showReportPreview(this, cds1(), [](const QString& u) { return displayUnit(u); });
    repaint();
}

void TFCOMM::BtSaveClick()
{
    const QString name = prompts().chooseSaveFile(chartPictureDialogParams());
    if (name.isEmpty())
        return;
    Chtshow->refreshNow();
    showOutcome(saveChartPicture(Chtshow->renderImage(), name));
}

void TFCOMM::applyPlacement(const ChartPlacement& p)
{
    Chtshow->setGeometry(p.chartBounds);
    TntPanel1->move(p.toolPanelPos);
    Panel2->setVisible(p.otherPanelsVisible);
    Panel4->setVisible(p.otherPanelsVisible);
    Panel5->setVisible(p.otherPanelsVisible);
    TntPanel1->TbFd->setVisible(p.enlargeButtonVisible);
    TntPanel1->TbSx->setVisible(p.restoreButtonVisible);
    Chtshow->raise();
    TntPanel1->raise();
}

void TFCOMM::TbFdClick()
{
    applyPlacement(enlarger_->TbFdClick(Chtshow->geometry(), TntPanel1->pos(), centralWidget()->size()));
}

void TFCOMM::TbSxClick()
{
    applyPlacement(enlarger_->TbSxClick());
}

void TFCOMM::BitBtn1Click()
{
    if (hasUnsavedRows() ? !mayLeaveWithUnsavedRows() : !prompts().askYesNo(QStringLiteral("Information"), kQuitQuestion))
        return;
    quitting_ = true;
    close();
    QApplication::quit();
}

void TFCOMM::BtExit1Click()
{
    quitting_ = true;
    close();
    QApplication::quit();
}

void TFCOMM::closeEvent(QCloseEvent* event)
{
    // The close box asks before it leaves rows that were never saved.
    if (!quitting_ && hasUnsavedRows() && !mayLeaveWithUnsavedRows()) {
        event->ignore();
        return;
    }
    comm2_->ClosePort();
    event->accept();
}

bool TFCOMM::hasUnsavedRows() const
{
    return pipeline_->unsavedRows() > 0;
}

JournalController::Choose TFCOMM::choose()
{
    return [this](const QString& text, const QStringList& buttons, int escapeIndex) {
        return prompts().choose(QStringLiteral("Information"), text, buttons, escapeIndex);
    };
}

bool TFCOMM::mayLeaveWithUnsavedRows()
{
    return journal_->mayLeave(choose(), [this] { return saveLog(); });
}

void TFCOMM::endBySignal()
{
    journal_->endWithoutQuestion();
    quitting_ = true;
    close();
    QApplication::quit();
}

void TFCOMM::createJournal()
{
    journal_->open(services_.journalMaxPages);
    SafetyCopy = new QLabel(Panel5);
    SafetyCopy->setObjectName(QStringLiteral("SafetyCopy"));
    SafetyCopy->setGeometry(320, 3, 260, 24);
    SafetyCopy->setStyleSheet(QStringLiteral("color: #a04000;"));
    SafetyCopy->hide();
    connect(pipeline_->journal(), &RecordJournal::stateChanged, this, [this](bool on, const QString& reason) {
        SafetyCopy->setVisible(!on);
        SafetyCopy->setText(on ? QString() : QStringLiteral("Safety copy off: ") + reason);
        SafetyCopy->setToolTip(
            on ? QString()
               : QStringLiteral("Logged rows are not copied to %1 (%2). Logging goes on; save the table to keep "
                                "them. The copy starts again by itself as soon as it can be written.")
                     .arg(QDir::toNativeSeparators(pipeline_->journal()->path()), reason));
    });
}

void TFCOMM::offerRestore()
{
    journal_->offerRestore(choose());
}
