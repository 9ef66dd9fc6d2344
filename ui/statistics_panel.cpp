#include "ui/statistics_panel.h"

#include "chart/chart_control.h"
#include "chart/trend_chart_model.h"
#include "reading/reading_pipeline.h"
#include "ui/statistics_texts.h"
#include "ui/tool_window_place.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>


namespace {

QTableWidget* figuresTable(QWidget* parent, const char* name)
{
    auto* t = new QTableWidget(0, int(statisticsColumnTitles().size()), parent);
    t->setObjectName(QLatin1String(name));
    t->setHorizontalHeaderLabels(statisticsColumnTitles());
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(18);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->setMinimumHeight(90);
    return t;
}

// Only cells whose text changed are set: each set repaints.
void showFigures(QTableWidget& table, const RowStatistics& statistics, const QLocale& locale)
{
    const auto& groups = statistics.groups();
    if (table.rowCount() != int(groups.size()))
        table.setRowCount(int(groups.size()));
    for (int r = 0; r < int(groups.size()); ++r) {
        const QStringList texts = statisticsRowTexts(groups[std::size_t(r)], locale);
        for (int c = 0; c < texts.size(); ++c) {
            QTableWidgetItem* item = table.item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(c >= 2 && c < 8 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
                table.setItem(r, c, item);
            }
            if (item->text() != texts[c])
                item->setText(texts[c]);
        }
    }
}

void showText(QLabel& label, const QString& text)
{
    if (label.text() != text)
        label.setText(text);
}

} // namespace

StatisticsPanel::StatisticsPanel(ReadingPipeline& pipeline, const TChartControl& pager, const TrendChartModel& chart,
                                 QLocale locale, QWidget* parent)
    : QWidget(parent, Qt::Tool), statistics_(pipeline.table(), pipeline.plotIndex()), pager_(pager), chart_(chart),
      locale_(std::move(locale))
{
    connect(&pipeline, &ReadingPipeline::rowLogged, this, [this](const LogRow& row) {
        statistics_.rowLogged(row);
        changed();
    });
    connect(&pipeline, &ReadingPipeline::logCleared, this, [this] {
        statistics_.cleared();
        changed();
    });
    connect(&pipeline, &ReadingPipeline::logLoaded, this, [this] {
        statistics_.loaded();
        changed();
    });
    // Figures as the meter and the grid write numbers: without group separators.
    locale_.setNumberOptions(QLocale::OmitGroupSeparator);
    setObjectName(QStringLiteral("StatisticsPanel"));
    setWindowTitle(QStringLiteral("Statistics"));
    auto* layout = new QVBoxLayout(this);
    tableCover = new QLabel(this);
    tableCover->setObjectName(QStringLiteral("TableCover"));
    tableFigures = figuresTable(this, "TableFigures");
    pageCover = new QLabel(this);
    pageCover->setObjectName(QStringLiteral("PageCover"));
    pageFigures = figuresTable(this, "PageFigures");
    layout->addWidget(tableCover);
    layout->addWidget(tableFigures, 3);   // a log holds more groups than a page
    layout->addWidget(pageCover);
    layout->addWidget(pageFigures, 2);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(3);
    resize(760, 420);
}

void StatisticsPanel::changed()
{
    if (isVisible())
        refresh_.request();
}

void StatisticsPanel::showBelow(const QWidget& window, bool shown)
{
    if (!shown)
        return hide();
    if (!isVisible())
        placeBelow(*this, window);
    show();
    raise();
}

void StatisticsPanel::showEvent(QShowEvent* event)
{
    refreshNow();
    QWidget::showEvent(event);
}

void StatisticsPanel::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit hidden();
}

void StatisticsPanel::refreshNow()
{
    const RowStatistics& all = statistics_.table();
    showText(*tableCover, tableCoverText(all, locale_));
    showFigures(*tableFigures, all, locale_);
    // The page's record window.
    const qint64 first = qint64(chart_.recordAxisMinimum());
    const qint64 last = qint64(chart_.recordAxisMaximum());
    const RowStatistics& onPage = statistics_.page(first, last);
    showText(*pageCover, pageCoverText(onPage, pager_.CurrentPage(), first, last, locale_));
    showFigures(*pageFigures, onPage, locale_);
}
