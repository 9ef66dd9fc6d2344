#include "ui/recorder_figures.h"

#include "ui/statistics_texts.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

RecorderFigures::RecorderFigures(QLocale locale, QWidget* parent) : QWidget(parent), locale_(std::move(locale))
{
    locale_.setNumberOptions(QLocale::OmitGroupSeparator);
    cover = new QLabel(this);
    cover->setObjectName(QStringLiteral("RangeCover"));
    QStringList titles = statisticsColumnTitles();
    titles << QStringLiteral("Duration");
    table = new QTableWidget(0, int(titles.size()), this);
    table->setObjectName(QStringLiteral("RangeFigures"));
    table->setHorizontalHeaderLabels(titles);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(18);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setMinimumHeight(70);
    table->setMaximumHeight(160);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(cover);
    layout->addWidget(table);
    showNone();
}

void RecorderFigures::showNone()
{
    cover->setText(QStringLiteral("Shift+drag over the plot to choose a range of records."));
    table->setRowCount(0);
}

void RecorderFigures::show(const RowStatistics& figures, qint64 firstRow, qint64 lastRow, const QDateTime& from,
                           const QDateTime& to)
{
    // The span is known for loaded rows too, which have no stamps of their own for the table.
    const QString span = from.isValid() && to.isValid() ? QStringLiteral(", ") + timeSpanText(from, to) : QString();
    cover->setText(rangeCoverText(figures, firstRow, lastRow, locale_) + span);
    const auto& groups = figures.groups();
    table->setRowCount(int(groups.size()));
    for (int r = 0; r < int(groups.size()); ++r) {
        const StatisticsGroup& g = groups[std::size_t(r)];
        QStringList texts = statisticsRowTexts(g, locale_);
        texts << durationText(g.first, g.last);
        for (int c = 0; c < texts.size(); ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setTextAlignment(c >= 2 && c < 8 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
            table->setItem(r, c, item);
        }
    }
}
