#include "ui/window_parts.h"

#include "chart/chart_enlarge.h"
#include "log/record_logger.h"
#include "ui/bar_graph.h"
#include "ui/chart_tool_bar.h"
#include "ui/chart_view.h"
#include "ui/extremes_panel.h"
#include "ui/grid_columns.h"
#include "ui/judge_panel.h"
#include "ui/lcd_panel_widget.h"
#include "ui/log_grid_view.h"
#include "ui/record_menu.h"
#include "ui/record_panel.h"
#include "ui/safety_copy_label.h"
#include "ui/settings_note_label.h"
#include "ui/top_bar.h"
#include "ui/window_layout.h"

#include <QHeaderView>
#include <QLayout>
#include <QLocale>
#include <QMainWindow>
#include <QMenuBar>

#include <algorithm>

namespace {

// The grid as the layout draws it: read-only rows chosen whole, a small font, no row header.
void lookLikeTheLayoutsGrid(LogGridView& grid)
{
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    QFont font = grid.font();
    font.setPixelSize(10);
    grid.setFont(font);
    grid.setStyleSheet(QStringLiteral("QTableView::item { padding: 0px 1px; }"));
    grid.verticalHeader()->hide();
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.verticalHeader()->setDefaultSectionSize(18);
    grid.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

// Tab goes as the eye reads the window: the top bar, then the left column (logging controls,
// grid), then the right one (limits, chart tools); inside a part by rows, left to right.
void setTabOrderByLayout(const std::initializer_list<QWidget*>& parts)
{
    QWidget* previous = nullptr;
    for (QWidget* part : parts) {
        QList<QWidget*> stops;
        if (part->focusPolicy() & Qt::TabFocus)
            stops << part;
        for (QWidget* w : part->findChildren<QWidget*>())
            if (w->focusPolicy() & Qt::TabFocus)
                stops << w;
        std::stable_sort(stops.begin(), stops.end(), [part](QWidget* a, QWidget* b) {
            const QPoint pa = a == part ? QPoint() : a->mapTo(part, QPoint());
            const QPoint pb = b == part ? QPoint() : b->mapTo(part, QPoint());
            return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
        });
        for (QWidget* w : stops) {
            if (previous)
                QWidget::setTabOrder(previous, w);
            previous = w;
        }
    }
}

} // namespace

WindowParts buildWindowParts(QMainWindow& window, const PartModels& m, const QLocale& locale)
{
    // A compact font, so the layout's narrow columns and captions hold their texts.
    QFont compact = window.font();
    compact.setPixelSize(11);
    window.setFont(compact);
    auto* client = new QWidget(&window);
    client->setFixedSize(kClientWidth, kClientHeight);
    window.setCentralWidget(client);
    // A fixed window: title, system menu, minimise and close, but no maximise box. It is as
    // large as the client area plus the menu bar, and the window manager is told so (equal
    // minimum and maximum): it can be neither resized nor maximised.
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint);
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);

    WindowParts p;
    p.Panel5 = new TopBar(client);
    p.SafetyCopy = new SafetyCopyLabel(p.Panel5);
    p.SettingsNote = new SettingsNoteLabel(p.Panel5);
    p.Panel1 = new LcdPanelWidget(client);
    p.Panel1->setObjectName(QStringLiteral("Panel1"));
    p.Panel1->setModel(&m.panel);
    p.PBar2 = new BarGraph(client);
    p.Panel2 = new RecordPanel(m.logger, client);
    p.DBGrid1 = new LogGridView(client);
    p.DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    p.DBGrid1->setModel(&m.grid);
    lookLikeTheLayoutsGrid(*p.DBGrid1);
    p.Panel4 = new JudgePanel(m.judge, m.localeSeparator, m.systemSeparator, client);
    p.Panel3 = new ExtremesPanel(client);
    p.Chtshow = new ChartView(m.chart, client);
    p.Chtshow->setObjectName(QStringLiteral("Chtshow"));
    p.TntPanel1 = new ChartToolBar(m.chartTools, client);   // over the chart's top edge
    for (QWidget* part : client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        part->setGeometry(placeOf(part->objectName()));
    fitGridColumns(*p.DBGrid1, widestGridTexts(locale, m.localeSeparator()));

    setTabOrderByLayout({p.Panel5, p.Panel2, p.DBGrid1, p.Panel4, p.TntPanel1});

    std::array<QString, RecordLogger::kLimitCount> captions;
    for (int i = 0; i < RecordLogger::kLimitCount; ++i)
        captions[std::size_t(i)] = RecordLogger::limitCaption(i);
    p.recordMenu = new RecordMenu(*window.menuBar(), captions, RecordLogger::kDefaultLimitItem);
    return p;
}

void WindowParts::enlargeChart(const QSize& clientSize)
{
    place(enlarger.TbFdClick(Chtshow->geometry(), TntPanel1->pos(), clientSize));
}

void WindowParts::restoreChart() { place(enlarger.TbSxClick()); }

void WindowParts::showFullScale(int fullScaleCount, bool labelled)
{
    if (labelled)
        Panel3->showFullScale(fullScaleCount);
    Chtshow->setLeftAxisBounds(fullScaleCount, -fullScaleCount);
}

void WindowParts::place(const ChartPlacement& p)
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
