#pragma once
// DBGrid1: the grid of the log table. While logging, rows only ever come at the end; a plain
// table view then lays out and repaints every visible row for each burst. This one brings its
// scroll bars up to date and paints only the new rows where they show, and when the window
// follows the last row the view scrolls by blitting what is already drawn.
#include <QScrollBar>
#include <QTableView>

// The grid's vertical scroll bar. Each logged row moves its maximum by one, which with many
// rows seldom moves the slider by a pixel; it repaints only when what it shows would change.
class GridScrollBar : public QScrollBar {
    Q_OBJECT
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Look {
        QRect slider;
        bool atStart = false, atEnd = false, empty = false;
        bool operator==(const Look& o) const
        {
            return slider == o.slider && atStart == o.atStart && atEnd == o.atEnd && empty == o.empty;
        }
    };
    Look currentLook() const;
    Look painted_;
};

class LogGridView : public QTableView {
    Q_OBJECT
public:
    explicit LogGridView(QWidget* parent = nullptr);
    void setModel(QAbstractItemModel* model) override;

private:
    void headerRowCountChanged(int oldCount, int newCount);

    bool appending_ = false;   // the rows being inserted come after the last one
};
