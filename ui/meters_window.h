#pragma once
// The Meters window: the meters read at once, each with its live value, unit, function, link
// and identity; a line to add a meter on another port or an adapter cable; the computed
// channels as NAME = EXPRESSION lines with a preview of the line being typed (its value and
// unit, or where and why it is refused); the alignment rule; and saving every channel. A tool
// window beside the main one, opened by the record panel's Meters button.
#include "chart/refresh_throttle.h"

#include <QWidget>

#include <set>
#include <vector>

class MetersBoard;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

class MetersWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kChannelLines = 4;
    static constexpr int kRefreshGapMs = 500;   // the list follows its meters twice a second at most

    explicit MetersWindow(MetersBoard& board, QWidget* parent = nullptr);

    // Shown, or hidden; the first show after a hide puts it below `window`.
    void showBelow(const QWidget& window, bool shown);

    QTableWidget* metersTable = nullptr;
    QLineEdit* meterName = nullptr;
    QComboBox* meterSource = nullptr;
    QPushButton* addMeter = nullptr;
    QPushButton* removeMeter = nullptr;
    QLabel* meterMessage = nullptr;
    std::vector<QLineEdit*> channelEdits;
    QLabel* channelPreview = nullptr;
    QLineEdit* alignment = nullptr;
    QPushButton* applyChannels = nullptr;
    QPushButton* saveAll = nullptr;

signals:
    void hidden();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildMeterRow(QVBoxLayout& layout);
    void buildChannelRows(QVBoxLayout& layout);
    void showMeters();
    void showMeter(int index);
    void previewLine(int line);
    void apply();
    QStringList lines() const;

    MetersBoard& board_;
    std::set<int> changed_;   // the lines to show at the next refresh
    RefreshThrottle refresh_{kRefreshGapMs, [this] {
        for (int line : changed_)
            showMeter(line);
        changed_.clear();
    }};
};
