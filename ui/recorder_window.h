#pragma once
// The Recorder: a window beside the main one with the whole run on a plot that zooms and pans
// through it, the figures of the range between its two cursors, and the controls around them.
// It shows what its owner's summary holds; the owner says when that changed.
#include "ui/recorder_plot.h"

#include <QLocale>
#include <QRect>
#include <QWidget>

class QAbstractItemModel;
class QCheckBox;
class QLabel;
class QPushButton;
class RecorderChannelBar;
class RecorderFigures;

class RecorderWindow : public QWidget {
    Q_OBJECT
public:
    // `grid` is the log grid's model, for the copied text; all three outlive the window.
    RecorderWindow(const RunSummary& summary, const LogTable& table, const QAbstractItemModel& grid, QLocale locale,
                   QWidget* parent = nullptr);

    // Shown, or hidden; the first show goes to the place kept from the last run, else below
    // `window`, as far as the screen has room.
    void showBelow(const QWidget& window, bool shown);
    // The place and size to keep between runs; invalid until the window was placed.
    QRect place() const;
    void setPlace(const QRect& place);

    // Rows were logged or summarised; the summary started again.
    void rowsChanged();
    void summaryReset();
    // The further channels of a session of several meters; the legend names the first meter's
    // line `mainName`.
    void setTraces(const QString& mainName, std::vector<RecorderTrace> traces);
    // A loaded table is being summarised: `done` of `total` rows so far (done == total: finished).
    void showProgress(qint64 done, qint64 total);
    // The range's rows as TAB text with the header line; empty without a range.
    QString rangeAsText() const;

    RecorderPlot* plot = nullptr;
    RecorderFigures* figures = nullptr;
    RecorderChannelBar* channels = nullptr;
    QCheckBox* follow = nullptr;
    QCheckBox* timeAxis = nullptr;
    QPushButton* savePicture = nullptr;
    QPushButton* saveRange = nullptr;
    QLabel* progress = nullptr;

signals:
    void hidden();
    void savePictureClicked();
    // Rows [firstRow, endRow) are to be saved.
    void saveRangeClicked(qint64 firstRow, qint64 endRow);
    void rowActivated(qint64 row);

protected:
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void addShortcuts();
    void copyRange();
    void showRange();

    const RunSummary& summary_;
    const QAbstractItemModel& grid_;
    QRect place_;
};
