#pragma once
// The recorder's legend of channels: a check box per channel in its line's colour, the first
// meter's first, that shows or hides the line. Hidden while only the first meter is read.
// The further channels share the time-of-day axis, so their boxes wait for it.
#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

class QCheckBox;
class QHBoxLayout;
class QLabel;

class RecorderChannelBar : public QWidget {
    Q_OBJECT
public:
    struct Entry {
        QString name;
        QColor colour;
        bool shown = true;
    };
    explicit RecorderChannelBar(QWidget* parent = nullptr);

    // The first entry is the first meter's line; no further entry hides the bar.
    void setEntries(const std::vector<Entry>& entries);
    void setTimeAxis(bool on);
    QCheckBox* box(const QString& name) const;

signals:
    void shownChanged(const QString& name, bool shown);

private:
    void enableBoxes();

    QHBoxLayout* row_ = nullptr;
    QLabel* note_ = nullptr;
    std::vector<QCheckBox*> boxes_;
    bool timeAxis_ = false;
};
