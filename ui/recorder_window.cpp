#include "ui/recorder_window.h"

#include "log/log_table.h"
#include "ui/chart_look.h"
#include "ui/grid_copy.h"
#include "ui/log_grid_view.h"
#include "ui/recorder_channel_bar.h"
#include "ui/recorder_figures.h"
#include "ui/tool_window_place.h"
#include "ui/window_shortcut.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>


RecorderWindow::RecorderWindow(const RunSummary& summary, const LogTable& table, const QAbstractItemModel& grid,
                               QLocale locale, QWidget* parent)
    : QWidget(parent, Qt::Tool), summary_(summary), grid_(grid)
{
    setObjectName(QStringLiteral("Recorder"));
    setWindowTitle(QStringLiteral("Recorder"));
    plot = new RecorderPlot(summary, table, this);
    figures = new RecorderFigures(std::move(locale), this);
    follow = new QCheckBox(QStringLiteral("&Follow"), this);
    follow->setObjectName(QStringLiteral("RecorderFollow"));
    follow->setToolTip(QStringLiteral("Keep the newest records in view"));
    follow->setChecked(plot->following());
    timeAxis = new QCheckBox(QStringLiteral("&Time of day"), this);
    timeAxis->setObjectName(QStringLiteral("RecorderTimeAxis"));
    timeAxis->setToolTip(QStringLiteral("Records against the time of day instead of the record number"));
    auto* whole = new QPushButton(QStringLiteral("&Whole run"), this);
    whole->setToolTip(QStringLiteral("Show every record (Ctrl+0)"));
    savePicture = new QPushButton(QStringLiteral("Save &picture..."), this);
    savePicture->setObjectName(QStringLiteral("RecorderSavePicture"));
    saveRange = new QPushButton(QStringLiteral("Save &range..."), this);
    saveRange->setObjectName(QStringLiteral("RecorderSaveRange"));
    saveRange->setEnabled(false);
    channels = new RecorderChannelBar(this);
    progress = new QLabel(this);
    progress->setObjectName(QStringLiteral("RecorderProgress"));

    auto* bar = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(follow), static_cast<QWidget*>(timeAxis), static_cast<QWidget*>(whole)})
        bar->addWidget(w);
    bar->addWidget(progress, 1);
    bar->addWidget(savePicture);
    bar->addWidget(saveRange);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addLayout(bar);
    layout->addWidget(channels);
    layout->addWidget(plot, 1);
    layout->addWidget(figures);

    connect(follow, &QCheckBox::toggled, plot, &RecorderPlot::setFollowing);
    connect(plot, &RecorderPlot::followingChanged, follow, &QCheckBox::setChecked);
    connect(timeAxis, &QCheckBox::toggled, plot, [this](bool on) {
        plot->setAxis(on ? RecorderAxis::Time : RecorderAxis::Record);
        channels->setTimeAxis(on);
    });
    connect(channels, &RecorderChannelBar::shownChanged, plot, &RecorderPlot::setShown);
    connect(whole, &QPushButton::clicked, plot, &RecorderPlot::showWholeRun);
    connect(plot, &RecorderPlot::rangeChanged, this, &RecorderWindow::showRange);
    connect(plot, &RecorderPlot::rowActivated, this, &RecorderWindow::rowActivated);
    connect(savePicture, &QPushButton::clicked, this, &RecorderWindow::savePictureClicked);
    connect(saveRange, &QPushButton::clicked, this, [this] {
        if (const auto r = plot->range())
            emit saveRangeClicked(r->first, r->last + 1);
    });
    addShortcuts();
    resize(900, 500);
}

void RecorderWindow::addShortcuts()
{
    addWindowShortcut(*this, QKeySequence::Copy, [this] { copyRange(); });
    addWindowShortcut(*this, QKeySequence(Qt::CTRL | Qt::Key_0), [this] { plot->showWholeRun(); });
}

void RecorderWindow::showBelow(const QWidget& window, bool shown)
{
    if (!shown)
        return hide();
    if (!isVisible() && !place_.isValid())
        placeBelow(*this, window);
    show();
    raise();
}

QRect RecorderWindow::place() const { return place_; }

void RecorderWindow::setPlace(const QRect& place)
{
    if (!place.isValid())
        return;
    place_ = place;
    setGeometry(place);
}

void RecorderWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (isVisible())
        place_ = geometry();
}

void RecorderWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        place_ = geometry();
}

void RecorderWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit hidden();
}

void RecorderWindow::rowsChanged() { plot->rowsChanged(); }

void RecorderWindow::setTraces(const QString& mainName, std::vector<RecorderTrace> traces)
{
    std::vector<RecorderChannelBar::Entry> entries{{mainName, chart_look::AreaOutline, plot->isShown(mainName)}};
    for (std::size_t i = 0; i < traces.size(); ++i)
        entries.push_back({traces[i].name, RecorderTraces::colour(int(i)), plot->isShown(traces[i].name)});
    plot->setTraces(mainName, std::move(traces));
    channels->setEntries(entries);
}

void RecorderWindow::summaryReset()
{
    plot->summaryReset();
}

void RecorderWindow::showProgress(qint64 done, qint64 total)
{
    progress->setText(done >= total ? QString()
                                    : QStringLiteral("Summarising the loaded rows: %1 %").arg(total ? done * 100 / total : 100));
    if (done >= total)
        plot->rowsChanged();
}

void RecorderWindow::showRange()
{
    const std::optional<RecorderRange> r = plot->range();
    saveRange->setEnabled(r.has_value());
    if (!r)
        return figures->showNone();
    const auto at = [this](std::int64_t row) {
        const std::optional<std::int64_t> ms = summary_.timeOfRow(row);
        return ms ? QDateTime::fromMSecsSinceEpoch(*ms) : QDateTime();
    };
    figures->show(summary_.figures(r->first, r->last + 1), r->first, r->last, at(r->first), at(r->last));
}

QString RecorderWindow::rangeAsText() const
{
    const std::optional<RecorderRange> r = plot->range();
    return r ? rowsAsTabText(grid_, int(r->first), int(r->last)) : QString();
}

void RecorderWindow::copyRange()
{
    const std::optional<RecorderRange> r = plot->range();
    if (!r)
        return;
    // Ctrl+C copies at most as many rows as the grid's does.
    constexpr qint64 kMostCopiedRows = LogGridView::kMostCopiedRows;
    if (r->last - r->first + 1 > kMostCopiedRows) {
        QToolTip::showText(mapToGlobal(QPoint(0, 0)),
                           QStringLiteral("Choose at most %1 rows to copy them.").arg(kMostCopiedRows), this);
        return;
    }
    QGuiApplication::clipboard()->setText(rangeAsText());
}
