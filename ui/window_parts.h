#pragma once
// The parts of the main window, made and placed in its client area by the layout's table, each
// named as in the layout. The window wires them to its handlers; tests find them by name.
#include "chart/chart_enlarge.h"
#include "reading/limit_judge.h"

#include <QString>

#include <functional>

class QMainWindow;
class TopBar;
class SafetyCopyLabel;
class SettingsNoteLabel;
class LcdPanelWidget;
class LcdPanelModel;
class BarGraph;
class RecordPanel;
class LogGridView;
class LogGridModel;
class JudgePanel;
class ExtremesPanel;
class ChartToolBar;
class ChartToolPanel;
class ChartView;
class TrendChartModel;
class RecordMenu;
class RecordLogger;
class QLocale;

// What the parts show, all kept by the window.
struct PartModels {
    LcdPanelModel& panel;
    LogGridModel& grid;
    LimitJudge& judge;
    RecordLogger& logger;
    ChartToolPanel& chartTools;
    TrendChartModel& chart;
    std::function<QString()> localeSeparator;   // the user's, read afresh
    std::function<QChar()> systemSeparator;     // for the limit edits' key filter
};

struct WindowParts {
    TopBar* Panel5 = nullptr;
    SafetyCopyLabel* SafetyCopy = nullptr;   // in the top bar while the journal cannot be written
    SettingsNoteLabel* SettingsNote = nullptr;   // in the top bar while the settings are not kept
    LcdPanelWidget* Panel1 = nullptr;
    BarGraph* PBar2 = nullptr;
    RecordPanel* Panel2 = nullptr;
    LogGridView* DBGrid1 = nullptr;          // a window over the log's grid model at a time
    JudgePanel* Panel4 = nullptr;
    ExtremesPanel* Panel3 = nullptr;         // below the visible client area
    ChartToolBar* TntPanel1 = nullptr;
    ChartView* Chtshow = nullptr;
    RecordMenu* recordMenu = nullptr;

    ChartEnlarger enlarger;   // where the chart stood before it was enlarged

    // The chart enlarged over the client area, or back where it stood.
    void enlargeChart(const QSize& clientSize);
    void restoreChart();
    void place(const ChartPlacement& placement);
    // The model's full scale on the value axis and, when the model labels it, under the extremes.
    void showFullScale(int fullScaleCount, bool labelled);
};

// Makes the client area of `window`, fixed in size, its parts and the Record menu; the grid's
// columns fit the texts of `locale`.
WindowParts buildWindowParts(QMainWindow& window, const PartModels& models, const QLocale& locale);
