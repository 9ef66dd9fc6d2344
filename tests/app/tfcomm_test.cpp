// The main window driven as a user would: start-up state, connection against the virtual
// meter on a pseudo-terminal, the watchdog, quitting, Close Data and the close box.
#include "app/tfcomm.h"
#include "app/meters_controller.h"
#include "app/window_settings.h"
#include "doubles/virtual_meter.h"
#include "doubles/window_part.h"
#include "ui/top_bar.h"
#include "app/publishing_side.h"
#include "app/alarm_side.h"
#include <QPlainTextEdit>
#include "support/wait_for.h"
#include "ui/mqtt_dialog.h"

#include "ui/chart_tool_bar.h"
#include "ui/judge_panel.h"
#include "ui/record_panel.h"
#include "chart/chart_control.h"
#include "chart/chart_tool_panel.h"
#include "reading/extremes.h"
#include "reading/lcd_panel_model.h"
#include "doubles/fixed_locale_clock.h"
#include "link/comm_port_driver.h"
#include "link/serial_frame_assembly.h"
#include "log/log_grid_model.h"
#include "log/log_table.h"
#include "log/record_logger.h"
#include "scripted_prompts.h"
#include "frames/sample_frames.h"
#include "ui/chart_view.h"
#include "ui/lcd_panel_widget.h"
#include "ui/log_grid_view.h"
#include "ui/link_indicator_widget.h"
#include "ui/recorder_window.h"
#include "app/recorder_part.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray frameBytes(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

// 0A (the line feed the receiver drops) + a 13-byte frame.
const char* kVolts1234 = "0A" SAMPLE_VOLTS_1234 SAMPLE_SERIAL_END;
const char* kVolts1235 = "0A" SAMPLE_VOLTS_1235 SAMPLE_SERIAL_END;
const char* kVolts1234In60 = "0A" SAMPLE_VOLTS_12_34 SAMPLE_SERIAL_END;
const char* kOverloadKOhm = "0A" SAMPLE_OVERLOAD_KOHM SAMPLE_SERIAL_END;

struct Window {
    ScriptedPrompts prompts;
    FixedLocaleClock clock;
    std::unique_ptr<TFCOMM> w;
    explicit Window(ModelFlags flags = ModelFlags::layout(), const QLocale& locale = QLocale::c()) : clock(locale)
    {
        TFCOMM::Services s;
        s.prompts = &prompts;
        s.clock = &clock;
        s.flags = flags;
        w = std::make_unique<TFCOMM>(s);
    }
    void feed(const char* hex)
    {
        const QByteArray b = frameBytes(hex);
        w->RECEIVE_COM_Data(b.constData(), b.size());
    }
};

} // namespace

TEST(MainWindow, StartsAsTheLayoutSays)
{
    Window t;
    TFCOMM& w = *t.w;
    EXPECT_TRUE(w.windowTitle().startsWith("VK31C/D Interface Program Ver 3.03"));
    EXPECT_TRUE(w.windowTitle().endsWith("(x64)") || w.windowTitle().endsWith("(x86)"));
    EXPECT_EQ(w.centralWidget()->size(), QSize(663, 509));
    w.show();
    EXPECT_EQ(w.size(), QSize(663, 509 + w.menuBar()->height())) << "the client area plus the menu bar";
    EXPECT_EQ(w.minimumSize(), w.size());
    EXPECT_EQ(w.maximumSize(), w.size()) << "neither resized nor maximised";
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w.COMM2().ComPort(), pnCOM1);
    EXPECT_EQ(w.COMM2().ComPortSpeed(), br2400);
    EXPECT_EQ(w.COMM2().ComPortPollingDelay(), 100);
    EXPECT_FALSE(w.COMM2().IsOpen());
    EXPECT_TRUE(static_cast<bool>(w.COMM2().OnReceiveData));
    EXPECT_EQ(w.pipeline().fullScaleCount(), 6000);
    EXPECT_FLOAT_EQ(w.pipeline().extremes().maxSeen(), -6001.0f);
    EXPECT_FLOAT_EQ(w.pipeline().extremes().minSeen(), 6001.0f);
    EXPECT_EQ(part<QLabel>(w, "MinText")->text(), "6001");
    EXPECT_EQ(part<QLabel>(w, "MaxText")->text(), "-6001");
    EXPECT_EQ(part<ChartView>(w, "Chtshow")->model().leftAxisMaximum(), 6000);
    EXPECT_EQ(part<ChartView>(w, "Chtshow")->model().leftAxisMinimum(), -6000);
    EXPECT_EQ(w.pager().PageSize(), 100);
    EXPECT_EQ(w.pager().CurrentPage(), 1);
    EXPECT_EQ(w.logger().recordNo(), 1);
    EXPECT_EQ(w.logger().maxRecords(), 10000);
    EXPECT_TRUE(limitItem(w, 2)->isChecked());
    EXPECT_TRUE(w.ConTimer.isActive());
    EXPECT_EQ(w.ConTimer.interval(), 100);
    EXPECT_FALSE(w.Timer3.isActive());
    EXPECT_EQ(part<JudgePanel>(w, "Panel4")->T1HI->text(), "6000");
    EXPECT_EQ(part<JudgePanel>(w, "Panel4")->T1LO->text(), "-6000");
    EXPECT_FALSE(part<JudgePanel>(w, "Panel4")->CONok->alive());
    EXPECT_TRUE(part<RecordPanel>(w, "Panel2")->RepeatSet->isChecked());
    EXPECT_FALSE(part<RecordPanel>(w, "Panel2")->RecordSI->isChecked());
    EXPECT_TRUE(part<ChartToolBar>(w, "TntPanel1")->BtFill->isChecked());
    EXPECT_EQ(part<ChartToolBar>(w, "TntPanel1")->Bt10->text(), "1");
    EXPECT_TRUE(part<TopBar>(w, "Panel5")->BtCOM[0]->isVisibleTo(&w));
    EXPECT_FALSE(part<TopBar>(w, "Panel5")->BtCOM[1]->isVisibleTo(&w));
    EXPECT_EQ(part<TopBar>(w, "Panel5")->COMCon->text(), "COM Connection");
    EXPECT_EQ(part<TopBar>(w, "Panel5")->USBCon->text(), "USB Connection");
    EXPECT_TRUE(t.prompts.shown.isEmpty());
}

TEST(MainWindow, GridColumnsHoldTheirTitlesAndLongestTextsWithinTheGrid)
{
    Window t;
    QTableView& grid = *part<LogGridView>(*t.w, "DBGrid1");
    QHeaderView& header = *grid.horizontalHeader();
    const QFontMetrics fm(grid.font());
    const char* longest[] = {"10000000", "10:15:30 PM", "DutyCycle", "-8.888", "MΩ", "Fail"};
    int total = 0;
    for (int c = 0; c < 6; ++c) {
        SCOPED_TRACE(c);
        EXPECT_GE(header.sectionSize(c), header.sectionSizeHint(c)) << "the title is not cut";
        EXPECT_GE(header.sectionSize(c), LogGridModel::kColumnWidths[c]);
        EXPECT_GT(header.sectionSize(c), fm.horizontalAdvance(QString::fromUtf8(longest[c])));
        total += header.sectionSize(c);
    }
    EXPECT_LE(total, grid.width() - 2 * grid.frameWidth() - grid.verticalScrollBar()->sizeHint().width());
}

TEST(MainWindow, ModelFlagsChooseScaleAndReceivePath)
{
    ModelFlags only20D;
    only20D.set(ModelFlag::IFVK20D);
    Window t(only20D);
    EXPECT_EQ(t.w->pipeline().fullScaleCount(), 3400);
    EXPECT_EQ(part<QLabel>(*t.w, "MinText")->text(), "3401");
    EXPECT_EQ(part<ChartView>(*t.w, "Chtshow")->model().leftAxisMaximum(), 3400);

    ModelFlags only40B;
    only40B.set(ModelFlag::IFVK40B);
    Window u(only40B);
    EXPECT_EQ(part<ChartView>(*u.w, "Chtshow")->model().leftAxisMaximum(), 4000);
    EXPECT_EQ(part<QLabel>(*u.w, "MinText")->text(), "4001");

    Window none{ModelFlags()};
    EXPECT_FALSE(static_cast<bool>(none.w->COMM2().OnReceiveData));
    EXPECT_TRUE(none.w->windowTitle().startsWith("VK31C_D  win7("));
}

TEST(MainWindow, AFrameDrivesPanelJudgeLogAndChart)
{
    Window t;
    TFCOMM& w = *t.w;
    t.feed(kVolts1234);
    EXPECT_EQ(w.reading().valueText, "1.234");
    EXPECT_EQ(w.reading().judgeText, "pass");
    EXPECT_EQ(w.pipeline().panel().digitCaptions()[0], "1");
    EXPECT_TRUE(w.pipeline().panel().isShown(Indicator::LcdP1));
    EXPECT_EQ(part<JudgePanel>(w, "Panel4")->T1VALUE->text(), "1.234");
    EXPECT_TRUE(part<JudgePanel>(w, "Panel4")->CONok->alive());
    EXPECT_EQ(part<ChartView>(w, "Chtshow")->model().leftAxisMaximum(), 6);
    EXPECT_EQ(part<QProgressBar>(w, "PBar2")->maximum(), 6);
    ASSERT_EQ(w.cds1().rowCount(), 1);
    EXPECT_EQ(w.cds1().row(0).value, "1.234");
    EXPECT_EQ(w.cds1().row(0).time, "10:15:30");
    EXPECT_EQ(w.cds1().row(0).unit, "V");
    EXPECT_EQ(w.cds1().row(0).judge, "pass");
    EXPECT_EQ(part<QProgressBar>(w, "PBar2")->value(), 1);
    EXPECT_EQ(part<ChartView>(w, "Chtshow")->model().pointCount(), 2u) << "placeholder plus the logged value";
    EXPECT_EQ(part<QLabel>(w, "MaxText")->text(), "") << "the point moved from none to P1: two resets, old texts kept";
    t.feed(kVolts1235);
    EXPECT_EQ(part<QLabel>(w, "MaxText")->text(), "1.235");
    EXPECT_EQ(part<QLabel>(w, "MinText")->text(), "1.235");

    t.feed(kOverloadKOhm);
    EXPECT_EQ(w.reading().valueText, "0.L");
    EXPECT_EQ(w.reading().judgeText, "Fail");
    EXPECT_EQ(w.pipeline().panel().digitCaptions()[2], "@");
    EXPECT_EQ(w.cds1().rowCount(), 3);
    EXPECT_EQ(w.cds1().row(2).unit, "k*");
    EXPECT_EQ(part<QLabel>(w, "MaxTextU")->text(), "kΩ");
}

TEST(MainWindow, BarGraphTakesTheNewRangeBeforeTheValue)
{
    Window t;
    TFCOMM& w = *t.w;
    part<RecordPanel>(w, "Panel2")->RepeatSet->setChecked(false);
    t.feed(kVolts1234);
    t.feed(kVolts1234In60);
    EXPECT_EQ(part<QProgressBar>(w, "PBar2")->maximum(), 60);
    EXPECT_EQ(part<QProgressBar>(w, "PBar2")->value(), 12) << "12.34 V on the 60 V range, not held at the 6 V range's 6";
    t.feed(kVolts1234In60);   // suppressed as a repeat: the bar keeps showing it
    EXPECT_EQ(part<QProgressBar>(w, "PBar2")->value(), 12);

    ASSERT_TRUE(w.logger().setMaxRecords(2));
    t.feed(kVolts1234);       // not logged: the maximum drops below the bar's value
    EXPECT_EQ(part<QProgressBar>(w, "PBar2")->maximum(), 6);
    EXPECT_EQ(part<QProgressBar>(w, "PBar2")->value(), 6) << "held at the top, not emptied";
}

TEST(MainWindow, JudgePanelShowsTheVerdictAndPutsBackALimitThatIsNoNumber)
{
    Window t;
    JudgePanel& p = *part<JudgePanel>(*t.w, "Panel4");
    const QColor green(0, 128, 0), red(255, 0, 0);
    t.feed(kVolts1234);
    EXPECT_EQ(p.Shape1->caption(), "Pass");
    EXPECT_EQ(p.Shape1->colour(), green);
    EXPECT_TRUE(p.T1VALUE->styleSheet().contains(green.name()));

    p.T1LO->selectAll();
    QTest::keyClicks(p.T1LO, "2");
    t.feed(kVolts1235);
    EXPECT_EQ(p.Shape1->caption(), "Fail");
    EXPECT_EQ(p.Shape1->colour(), red);
    EXPECT_TRUE(p.T1VALUE->styleSheet().contains(red.name()));
    EXPECT_EQ(t.w->reading().judgeText, "Fail");

    p.T1LO->selectAll();
    QTest::keyClicks(p.T1LO, "-1");
    p.T1HI->selectAll();
    QTest::keyClick(p.T1HI, Qt::Key_Backspace);
    t.feed(kVolts1234);
    EXPECT_EQ(p.Shape1->caption(), "Fail") << "an empty high limit: the frame is not judged";
    EXPECT_EQ(p.T1VALUE->text(), "1.234");
    EXPECT_TRUE(p.Timer1.isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.T1HI->text() == "6000"; }, 2000)) << "put back after 500 ms";
    EXPECT_FALSE(p.Timer1.isActive());
    t.feed(kVolts1235);
    EXPECT_EQ(p.Shape1->caption(), "Pass");
    EXPECT_EQ(p.Shape1->colour(), green);

    // A limit put back is checked against the other one.
    p.T1LO->setText(QStringLiteral("7000"));
    p.T1HI->setText(QStringLiteral("abc"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.T1HI->text() == "6000"; }, 2000));
    EXPECT_TRUE(p.CrossedLimits->isVisibleTo(&p));

    // In a comma locale the "." key and the keypad's decimal key type ",".
    Window comma(ModelFlags::layout(), QLocale(QLocale::German, QLocale::Germany));
    JudgePanel& q = *part<JudgePanel>(*comma.w, "Panel4");
    q.T1HI->selectAll();
    QTest::keyClicks(q.T1HI, "1.2");
    q.T1LO->selectAll();
    QTest::keyClicks(q.T1LO, "-1");
    QTest::keyClick(q.T1LO, Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClicks(q.T1LO, "5.");
    EXPECT_EQ(q.T1HI->text(), "1,2");
    EXPECT_EQ(q.T1LO->text(), "-1,5") << "a second separator is still refused";
    comma.feed(kVolts1234);
    EXPECT_EQ(q.Shape1->caption(), "Fail") << "1,234 lies above 1,2, not below 12";
}

TEST(MainWindow, SamplingModeStartsKeepsAndStopsTimer3)
{
    Window t;
    TFCOMM& w = *t.w;
    part<RecordPanel>(w, "Panel2")->RecordSI->setChecked(true);
    t.feed(kVolts1234);
    EXPECT_TRUE(w.Timer3.isActive());
    EXPECT_EQ(w.cds1().rowCount(), 0) << "the tick logs, not the reading";
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Timer3.remainingTime() < 900; }, 2000));
    t.feed(kVolts1235);
    EXPECT_LT(w.Timer3.remainingTime(), 900) << "a running Timer3 keeps its period";
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.cds1().rowCount() == 1; }, 2000));
    EXPECT_EQ(w.cds1().row(0).value, "1.235") << "the latest reading at the tick";

    part<RecordPanel>(w, "Panel2")->RecordSI->setChecked(false);
    t.feed(kVolts1234);
    EXPECT_FALSE(w.Timer3.isActive());
    EXPECT_EQ(w.cds1().rowCount(), 2) << "logged at once again";
}

TEST(MainWindow, BadFramesAreCountedWithoutABox)
{
    Window t;
    t.feed("0A 2B 31 32 33 34 20 3A 30 00 00 80 00 0D");   // point code "A"
    t.feed(kVolts1234);
    EXPECT_EQ(t.w->badFrames(), 1);
    EXPECT_TRUE(t.prompts.shown.isEmpty());
    EXPECT_EQ(t.w->cds1().rowCount(), 1);
    EXPECT_EQ(part<JudgePanel>(*t.w, "Panel4")->CONok->toolTip(), "1 bad frame");
    t.feed("0A 2B 31 32 33 34 20 3A 30 00 00 80 00 0D");
    t.feed(kVolts1234);
    EXPECT_EQ(part<JudgePanel>(*t.w, "Panel4")->CONok->toolTip(), "2 bad frames");
}

TEST(MainWindow, WatchdogTurnsTheIndicatorOffOnTheThirdSilentTick)
{
    Window t;
    TFCOMM& w = *t.w;
    w.ConTimer.stop();
    t.feed(kVolts1234);
    EXPECT_TRUE(w.pipeline().panel().linkAlive());
    w.ConTimerTimer();
    w.ConTimerTimer();
    EXPECT_TRUE(w.pipeline().panel().linkAlive());
    t.feed(kVolts1235);   // a frame between ticks starts the count again
    w.ConTimerTimer();
    w.ConTimerTimer();
    EXPECT_TRUE(w.pipeline().panel().linkAlive());
    w.ConTimerTimer();
    EXPECT_FALSE(w.pipeline().panel().linkAlive());
    EXPECT_FALSE(part<JudgePanel>(w, "Panel4")->CONok->alive());
    EXPECT_EQ(w.pipeline().linkIdleTicks(), 0);
}

TEST(MainWindow, QuitAsksAndActsOnlyOnYes)
{
    Window t;
    t.w->show();
    t.prompts.answers = {false};
    t.w->BitBtn1Click();
    EXPECT_EQ(t.prompts.shown, QStringList{"question: Are you sure that you want to quit this application?"});
    EXPECT_TRUE(t.w->isVisible()) << "No leaves the window as it was";
    t.prompts.answers = {true};
    t.w->BitBtn1Click();
    EXPECT_FALSE(t.w->isVisible());
    EXPECT_EQ(t.prompts.shown.size(), 2) << "Quit asks once; the close that follows does not ask again";
}

TEST(MainWindow, CloseBoxAsksOnlyWhenRowsAreUnsaved)
{
    Window t;
    t.w->show();
    EXPECT_TRUE(t.w->close()) << "nothing logged: closes without a question";
    EXPECT_TRUE(t.prompts.shown.isEmpty());

    Window u;
    u.w->show();
    u.feed(kVolts1234);
    u.feed(kVolts1235);
    for (int tick = 0; tick < 3; ++tick)
        u.w->ConTimerTimer();   // the link fell silent: no more rows come while it asks
    EXPECT_FALSE(u.w->close()) << "the box closed without an answer cancels";
    EXPECT_EQ(u.prompts.shown,
              QStringList{"choice: 2 logged rows are not saved. Save them before quitting? [Save/Discard/Cancel]"});
    u.prompts.choices = {"Cancel"};
    EXPECT_FALSE(u.w->close());
    EXPECT_EQ(u.w->cds1().rowCount(), 2);
    u.prompts.choices = {"Discard"};
    EXPECT_TRUE(u.w->close());
    EXPECT_EQ(u.w->pipeline().unsavedRows(), 0);
}

TEST(MainWindow, PrintWithAnEmptyTableSaysSoInsteadOfAPreview)
{
    Window t;
    t.w->BtPrintClick();   // a preview would block here
    EXPECT_EQ(t.prompts.shown, QStringList{"inform: There is nothing to print."});
}

TEST(MainWindow, CloseDataAsksItsOwnQuestion)
{
    Window t;
    t.feed(kVolts1234);
    t.feed(kVolts1235);
    t.prompts.answers = {false};
    t.w->RecordNewClick();
    EXPECT_EQ(t.w->cds1().rowCount(), 2);
    t.prompts.answers = {true};
    t.w->RecordNewClick();
    EXPECT_EQ(t.prompts.shown.last(), "question: Are you sure that you want to clear all logged data?");
    EXPECT_EQ(t.w->cds1().rowCount(), 0);
    EXPECT_EQ(t.w->logger().recordNo(), 1);
    EXPECT_EQ(t.w->pipeline().unsavedRows(), 0);
}

TEST(MainWindow, RecordLimitMenuKeepsOneItemChecked)
{
    Window t;
    t.w->setRecordLimit(0);
    EXPECT_EQ(t.w->logger().maxRecords(), 1000);
    int checked = 0;
    for (int i = 0; i < RecordLogger::kLimitCount; ++i)
        checked += limitItem(*t.w, i)->isChecked();
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(limitItem(*t.w, 0)->isChecked());
    t.w->setRecordLimit(5);
    EXPECT_EQ(t.w->logger().maxRecords(), 10000000);
    EXPECT_EQ(limitItem(*t.w, 5)->text(), "limitless");
}

TEST(MainWindow, RecordLimitReachedIsShownUntilLoggingCanGoOn)
{
    Window t;
    TFCOMM& w = *t.w;
    ASSERT_TRUE(w.logger().setMaxRecords(2));
    t.feed(kVolts1234);
    EXPECT_FALSE(part<QLabel>(w, "RecordLimitHint")->isVisibleTo(&w));
    t.feed(kVolts1235);
    EXPECT_TRUE(part<QLabel>(w, "RecordLimitHint")->isVisibleTo(&w));
    EXPECT_EQ(part<QLabel>(w, "RecordLimitHint")->text(), "Record limit 2 reached");
    w.setRecordLimit(0);
    EXPECT_FALSE(part<QLabel>(w, "RecordLimitHint")->isVisibleTo(&w)) << "a higher limit resumes logging";

    ASSERT_TRUE(w.logger().setMaxRecords(3));
    t.feed(kVolts1234);
    ASSERT_TRUE(part<QLabel>(w, "RecordLimitHint")->isVisibleTo(&w));
    t.prompts.answers = {true};
    w.RecordNewClick();
    EXPECT_FALSE(part<QLabel>(w, "RecordLimitHint")->isVisibleTo(&w)) << "Close Data starts the count again";
}

TEST(MainWindow, FailedOpenShowsTheReasonAndStaysIdle)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QDir().mkpath(runtime.path() + "/meter-logger");
    QFile::link("/nonexistent/tty", runtime.path() + "/meter-logger/COM1");
    Window t;
    t.w->COMConClick(true);
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_TRUE(t.prompts.shown[0].startsWith("error: Could not open COM1: ")) << t.prompts.shown[0].toStdString();
    EXPECT_EQ(part<TopBar>(*t.w, "Panel5")->COMCon->text(), "COM Connection");
    EXPECT_FALSE(part<TopBar>(*t.w, "Panel5")->COMCon->isChecked());
    EXPECT_TRUE(part<TopBar>(*t.w, "Panel5")->USBCon->isVisibleTo(t.w.get()));
    qunsetenv("XDG_RUNTIME_DIR");
}

TEST(MainWindow, IntervalAndPageSizeBoxesTakeOnlyDigits)
{
    Window t;
    for (QLineEdit* box : {part<RecordPanel>(*t.w, "Panel2")->RecordSITime, part<ChartToolBar>(*t.w, "TntPanel1")->Maxrecord}) {
        SCOPED_TRACE(box->objectName().toStdString());
        box->clear();
        QTest::keyClicks(box, QStringLiteral("1a2-b.3 ,+"));
        EXPECT_EQ(box->text(), QStringLiteral("123"));
        QTest::keyClick(box, Qt::Key_Backspace);
        EXPECT_EQ(box->text(), QStringLiteral("12"));
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClick(box, Qt::Key_Delete);
        EXPECT_EQ(box->text(), QStringLiteral("2")) << "keys that type nothing work";
    }
    EXPECT_EQ(t.w->logger().intervalMs(), 2000) << "the interval box's digits reach the logger";
    EXPECT_TRUE(t.prompts.shown.isEmpty());
}

TEST(MainWindow, EnlargeAndRestoreTheChart)
{
    Window t;
    TFCOMM& w = *t.w;
    w.show();
    QWidget* client = w.centralWidget();
    auto places = [&] {
        QList<QPair<QRect, bool>> all;
        for (QWidget* child : client->findChildren<QWidget*>())
            all.append({child->geometry(), child->isVisibleTo(&w)});
        return all;
    };
    const auto before = places();
    const QSize chartBefore = part<ChartView>(w, "Chtshow")->size();
    w.TbFdClick();
    EXPECT_GT(part<ChartView>(w, "Chtshow")->width(), chartBefore.width()) << "enlarged";
    EXPECT_FALSE(part<RecordPanel>(w, "Panel2")->isVisible());
    EXPECT_FALSE(part<TopBar>(w, "Panel5")->isVisible());
    EXPECT_EQ(part<ChartView>(w, "Chtshow")->geometry().topLeft(), QPoint(2, 28));
    EXPECT_TRUE(client->rect().contains(part<ChartView>(w, "Chtshow")->geometry())) << "axis titles inside the window";
    EXPECT_EQ(part<ChartToolBar>(w, "TntPanel1")->pos(), QPoint(2, 0));
    w.TbSxClick();
    EXPECT_EQ(part<ChartToolBar>(w, "TntPanel1")->pos(), QPoint(306, 149));
    EXPECT_TRUE(places() == before) << "every element back where it stood";
}

// The virtual meter on a pseudo-terminal, published as COM1 in a private runtime folder.
class WithVirtualMeter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(meter.start("COM1", 50)); }
    VirtualMeter meter;
};

TEST_F(WithVirtualMeter, ConnectShowsReadingsAndDisconnectStopsThem)
{
    Window t;
    TFCOMM& w = *t.w;
    part<TopBar>(w, "Panel5")->COMCon->click();
    EXPECT_TRUE(t.prompts.shown.isEmpty()) << t.prompts.shown.join("; ").toStdString();
    EXPECT_TRUE(w.COMM2().IsOpen());
    EXPECT_EQ(part<TopBar>(w, "Panel5")->COMCon->text(), "COM Disconnect");
    EXPECT_FALSE(part<TopBar>(w, "Panel5")->USBCon->isVisibleTo(&w));
    EXPECT_FALSE(part<TopBar>(w, "Panel5")->BtCOM[0]->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(w.cds1().rowCount() >= 5, 5000);
    EXPECT_TRUE(part<JudgePanel>(w, "Panel4")->CONok->alive());
    EXPECT_FALSE(w.reading().valueText.isEmpty());
    EXPECT_FALSE(w.reading().functionText.isEmpty());
    EXPECT_EQ(w.badFrames(), 0);

    part<TopBar>(w, "Panel5")->COMCon->click();
    EXPECT_FALSE(w.COMM2().IsOpen());
    EXPECT_EQ(part<TopBar>(w, "Panel5")->COMCon->text(), "COM Connection");
    EXPECT_TRUE(part<TopBar>(w, "Panel5")->USBCon->isVisibleTo(&w));
    const auto rows = w.cds1().rowCount();
    QTRY_VERIFY_WITH_TIMEOUT(!part<JudgePanel>(w, "Panel4")->CONok->alive(), 1000);
    QCoreApplication::processEvents();   // a frame already on its way is handled here
    EXPECT_LE(w.cds1().rowCount(), rows + 1) << "at most the frame already on its way";
}

TEST(MainWindow, GridCatchesUpWithEveryLoggedRow)
{
    // Rows arrive faster than the grid is brought up to date; in the end it shows them all.
    Window t;
    TFCOMM& w = *t.w;
    w.setRecordLimit(5);
    for (int i = 0; i < 300; ++i) {
        t.feed(i % 2 ? kVolts1234 : kVolts1235);
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(w.cds1().rowCount(), 300);
    QElapsedTimer clock;
    clock.start();
    while (part<LogGridView>(w, "DBGrid1")->sourceModel()->rowCount() != 300 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(part<LogGridView>(w, "DBGrid1")->sourceModel()->rowCount(), 300);
    // It follows the last row, holding no more rows of its own than it shows.
    const QAbstractItemModel& shown = *part<LogGridView>(w, "DBGrid1")->model();
    ASSERT_GT(shown.rowCount(), 0);
    EXPECT_LT(shown.rowCount(), 20);
    EXPECT_EQ(part<LogGridView>(w, "DBGrid1")->sourceRow(shown.rowCount() - 1), 299);
    EXPECT_EQ(shown.index(shown.rowCount() - 1, 3).data().toString(), "1.234");
}

// A double click on a row of the recorder shows its page on the paged chart and selects it in the grid.
TEST(MainWindow, RecorderDoubleClickShowsTheRowsPageAndSelectsIt)
{
    Window t;
    TFCOMM& w = *t.w;
    for (int i = 0; i < 250; ++i)
        t.feed(i % 2 ? kVolts1234 : kVolts1235);
    ASSERT_EQ(w.cds1().rowCount(), 250);
    part<RecordPanel>(w, "Panel2")->Recorder->click();
    RecorderPlot& plot = *w.recorder().window().plot;
    plot.zoomTo(110, 130);
    plot.replot();
    const QPoint at(int(plot.xAxis->coordToPixel(120)), plot.axisRect()->center().y());
    QTest::mouseDClick(&plot, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(part<LogGridView>(w, "DBGrid1")->selectionFirst(), 119);
    EXPECT_EQ(part<LogGridView>(w, "DBGrid1")->selectionLast(), 119);
    EXPECT_EQ(w.pager().CurrentPage(), 2) << "record 120 is on the second page of 100";
    EXPECT_EQ(part<ChartToolBar>(w, "TntPanel1")->Bt10->text(), "2");
}

TEST(MainWindow, TheScreenShowsWhatAFullRepaintDraws)
{
    // The window repaints only what a frame changed: LCD digits and icons, new grid rows, the
    // chart's series. After readings that change digits, signs, icons, ranges and the chart's
    // page, what reached the screen must equal the window drawn anew from scratch.
    Window t;
    TFCOMM& w = *t.w;
    w.setRecordLimit(5);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const char* readings[] = {kVolts1234, kVolts1235, "0A" SAMPLE_VOLTS_MINUS_1234 SAMPLE_SERIAL_END,
                              kVolts1234In60, kOverloadKOhm, "0A" SAMPLE_HERTZ_NO_POINT SAMPLE_SERIAL_END};
    const ChartView& chart = *part<ChartView>(w, "Chtshow");
    const auto drawn = [&] {
        return !chart.refreshPending() && part<LogGridView>(w, "DBGrid1")->sourceModel()->rowCount() == w.cds1().rowCount();
    };
    for (int i = 0; i < 130; ++i) {   // past the chart's first page of 100 records
        t.feed(readings[(i / 3) % 6]);
        if (i % 7 == 0) {   // some frames each get a paint of their own
            ASSERT_TRUE(QTest::qWaitFor(drawn, 2000));
        }
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(QTest::qWaitFor(drawn, 2000));
    QCoreApplication::processEvents();   // the paints the last refreshes asked for
    const QImage screen = w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    part<ChartView>(w, "Chtshow")->replot(QCustomPlot::rpImmediateRefresh);   // every chart layer drawn anew
    const QImage full = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(screen.size(), full.size());
    const QWidget* parts[] = {part<LcdPanelWidget>(w, "Panel1"), part<LogGridView>(w, "DBGrid1"), part<ChartView>(w, "Chtshow"), part<JudgePanel>(w, "Panel4"), part<QProgressBar>(w, "PBar2")};
    for (const QWidget* part : parts) {
        SCOPED_TRACE(part->objectName().toStdString());
        const QRect area(part->mapTo(&w, QPoint(0, 0)), part->size());
        QRect differing;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (screen.pixel(x, y) != full.pixel(x, y))
                    differing |= QRect(x, y, 1, 1);
        EXPECT_TRUE(differing.isNull()) << "stale pixels within " << differing.x() << "," << differing.y() << " "
                                        << differing.width() << "x" << differing.height();
    }
}

// What the user set comes back at the next start; the first start shows the defaults.
TEST(MainWindow, SettingsComeBackAtTheNextStart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("config/meter-logger/meter-logger.conf"));
    const QString folder = dir.filePath(QStringLiteral("tables"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ScriptedPrompts prompts;
    FixedLocaleClock clock;
    TFCOMM::Services s;
    s.prompts = &prompts;
    s.clock = &clock;
    s.settingsFile = file;
    s.journalFolder = dir.filePath(QStringLiteral("journals"));
    QString error;
    {
        TFCOMM w(s);
        JudgePanel& judge = *part<JudgePanel>(w, "Panel4");
        RecordPanel& record = *part<RecordPanel>(w, "Panel2");
        ChartToolBar& tools = *part<ChartToolBar>(w, "TntPanel1");
        EXPECT_EQ(judge.T1HI->text(), "6000") << "first start";
        EXPECT_EQ(tools.Maxrecord->text(), "100");
        EXPECT_EQ(w.logger().checkedLimitItem(), RecordLogger::kDefaultLimitItem);

        judge.T1HI->setText(QStringLiteral("12.5"));
        judge.T1LO->setText(QStringLiteral("-3"));
        w.pipeline().judge().checkLimit(LimitEdit::High, QStringLiteral("."));
        w.pipeline().judge().checkLimit(LimitEdit::Low, QStringLiteral("."));
        record.RepeatSet->setChecked(false);
        record.RecordSITime->setText(QStringLiteral("7"));
        w.setRecordLimit(4);
        w.chartTools().MaxrecordChange(QStringLiteral("250"));
        w.chartTools().Timer2Timer();
        tools.BtFill->click();
        w.connection().portPanelClicked(2);   // COM3
        record.Recorder->click();
        RecorderWindow& recorder = *part<RecorderWindow>(w, "Recorder");
        EXPECT_TRUE(recorder.isVisible()) << "the Recorder button opens it";
        EXPECT_EQ(recorder.windowTitle(), "Recorder");
        recorder.setGeometry(QRect(40, 50, 700, 400));
        w.MqttClick();
        MqttDialog* mqtt = w.publishing().dialog();
        ASSERT_NE(mqtt, nullptr);
        mqtt->PublishOn->setChecked(true);
        mqtt->BrokerUrl->setText(QStringLiteral("http://broker"));
        mqtt->accept();
        EXPECT_TRUE(mqtt->isVisible() && mqtt->Problem->isVisible()) << "a bad address keeps the dialog open, saying why";
        mqtt->BrokerUrl->setText(QStringLiteral("mqtt://127.0.0.1:1"));   // nothing listens there
        mqtt->User->setText(QStringLiteral("bench"));
        mqtt->Password->setText(QStringLiteral("secret"));
        mqtt->accept();
        auto* status = w.findChild<QLabel*>(QStringLiteral("PublishStatus"));
        EXPECT_TRUE(waitFor([&] { return status->isVisibleTo(&w) && status->text().contains(QLatin1String("unreachable")); }))
            << "the top bar says the broker is unreachable";
        prompts.fileNames.push_back(folder + QStringLiteral("/picture.bmp"));
        w.BtSaveClick();
        ASSERT_TRUE(w.meters().addMeter({"u", "COM2"}, &error)) << error.toStdString();
        ASSERT_TRUE(w.meters().defineChannels({"p = u*m1"}, "hold:2", &error)) << error.toStdString();
        w.AlarmRulesClick();
        ASSERT_NE(w.alarms().dialog(), nullptr);
        w.alarms().dialog()->editor->setPlainText(QStringLiteral("p > 10 for 2\nu stale 60"));
        w.alarms().dialog()->accept();
        prompts.answers.push_back(true);
        w.BitBtn1Click();
    }
    TFCOMM w(s);
    EXPECT_EQ(w.meters().specs(), (std::vector<MeterSpec>{{"m1", "main"}, {"u", "COM2"}})) << "the Meters window's meters";
    EXPECT_EQ(w.meters().channelLines(), QStringList{"p = u*m1"});
    EXPECT_EQ(w.meters().alignment(), "hold:2");
    EXPECT_EQ(w.alarms().ruleTexts(), (QStringList{"p > 10 for 2", "u stale 60"})) << "the alarm rules";
    EXPECT_EQ(part<JudgePanel>(w, "Panel4")->T1HI->text(), "12.5");
    EXPECT_EQ(part<JudgePanel>(w, "Panel4")->T1LO->text(), "-3");
    EXPECT_FALSE(w.logger().repeatSet());
    EXPECT_EQ(w.logger().intervalMs(), 7000);
    EXPECT_EQ(w.logger().checkedLimitItem(), 4);
    EXPECT_EQ(w.pager().PageSize(), 250);
    EXPECT_EQ(part<ChartToolBar>(w, "TntPanel1")->Maxrecord->text(), "250");
    EXPECT_FALSE(w.chartTools().fillChecked());
    EXPECT_EQ(w.COMM2().ComPort(), pnCOM3);
    EXPECT_EQ(w.recorder().window().place(), QRect(40, 50, 700, 400)) << "the Recorder opens where it was";
    EXPECT_TRUE(w.publishing().choice().on);
    EXPECT_EQ(w.publishing().choice().broker.password, QStringLiteral("secret")) << "in the file only its user reads";
    prompts.fileNames.push_back(QString());
    w.SpeedButton2Click();
    EXPECT_EQ(prompts.dialogs.last().folder, folder) << "the file dialogs start in the last folder";
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "the user's alone";
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(file).path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);

    ASSERT_TRUE(QDir(folder).removeRecursively());   // the stick is pulled out
    prompts.fileNames.push_back(QString());
    w.SpeedButton2Click();
    EXPECT_EQ(prompts.dialogs.last().folder, QDir::homePath()) << "not the parent with the folder as the name";
}

// A settings file that is not the window's to rewrite is left as it is, and the window says why.
TEST(MainWindow, SettingsFileThatIsNotPlainOrSmallIsLeftAlone)
{
    const struct {
        const char* why;
        bool link;            // the settings name links to a file outside its folder
        int size;             // of that file or of the settings file
        bool folderIsAFile;   // the settings folder's name is taken
        const char* problem;  // empty: read and saved
    } cases[] = {
        {"link: replaced by a file, its target untouched", true, 10, false, ""},
        {"over 1 MiB: defaults, not rewritten", false, 2 << 20, false, "over 1 MiB"},
        {"no folder can be made", false, 0, true, "cannot be made"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("meter-logger"));
        const QString file = folder + QStringLiteral("/meter-logger.conf");
        const QString outside = dir.filePath(QStringLiteral("elsewhere"));
        const QByteArray content = "[limits]\nhigh=12\n" + QByteArray(c.size, ';');
        QFile f(c.folderIsAFile ? folder : c.link ? outside : file);
        ASSERT_TRUE(QDir().mkpath(c.folderIsAFile ? dir.path() : folder) && f.open(QIODevice::WriteOnly));
        f.write(c.folderIsAFile ? QByteArray() : content);
        f.close();
        ASSERT_TRUE(!c.link || QFile::link(outside, file));

        const bool saves = !*c.problem;
        const LoadedSettings loaded = loadWindowSettings(file);
        EXPECT_TRUE(loaded.problem.contains(QLatin1String(c.problem)) && loaded.problem.isEmpty() == saves) << c.why;
        EXPECT_EQ(saveWindowSettings(file, WindowSettings()).isEmpty(), saves) << c.why;
        EXPECT_EQ(QFileInfo(file).isSymLink(), c.link && !saves) << c.why;
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), c.folderIsAFile ? QByteArray() : content) << c.why << ": left as it was";
    }
}

// A page shown while browsing keeps its own scale, whatever range the meter is in now; the
// live page follows the range rows.
TEST(MainWindow, AnOldPageKeepsItsOwnScale)
{
    Window t;
    t.w->chartTools().MaxrecordChange(QStringLiteral("2"));
    t.w->chartTools().Timer2Timer();
    for (const char* frame : {kVolts1234, kVolts1235})
        t.feed(frame);
    for (int i = 0; i < 3; ++i)
        t.feed(kVolts1234In60);
    const TrendChartModel& chart = part<ChartView>(*t.w, "Chtshow")->model();
    EXPECT_EQ(chart.leftAxisMaximum(), 60) << "the live page: the 60 V range row";
    t.w->chartTools().BtFirstClick();
    t.feed(kVolts1234In60);
    t.w->chartTools().BtFirstClick();
    EXPECT_NEAR(chart.leftAxisMaximum(), 1.23505, 1e-9) << "page 1 holds 1.234 and 1.235";
    EXPECT_NEAR(chart.leftAxisMinimum(), 1.23395, 1e-9);
    t.feed(kVolts1234In60);
    EXPECT_NEAR(chart.leftAxisMaximum(), 1.23505, 1e-9) << "new frames do not rescale the page shown";
    t.w->chartTools().BTlastClick();
    t.feed(kVolts1234In60);
    EXPECT_EQ(chart.leftAxisMaximum(), 60) << "back on the live page";
}
