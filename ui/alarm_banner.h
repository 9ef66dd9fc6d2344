#pragma once
// The strip at the top of the main window while an alarm waits to be seen: it names the rule
// and the reading that raised it ("Alarm: u > 5 — 12.6 V at 10:41:07"), says when that alarm
// has cleared since, counts the others and how often a rule was raised, and offers
// "Acknowledge". It shows what its owner hands it, one label however many events there were.
#include <QDateTime>
#include <QString>
#include <QToolBar>

#include <cstdint>
#include <vector>

class QLabel;
class QPushButton;

// One rule that is raised or waits to be acknowledged.
struct AlarmBannerEntry {
    QString rule;              // as the user wrote it
    QString reading;           // the reading that raised it: "12.6 V"
    QDateTime raisedAt;
    std::int64_t raises = 1;   // how often it was raised since the window started
    bool cleared = false;      // no longer raised
    bool acknowledged = false; // seen, though still raised
};

// The banner's text for entries newest first; empty for none.
QString alarmBannerText(const std::vector<AlarmBannerEntry>& entries);

class AlarmBanner : public QToolBar {
    Q_OBJECT
public:
    explicit AlarmBanner(QWidget* parent = nullptr);

    // Shown for entries newest first, hidden for none; "Acknowledge" while one is not acknowledged.
    void showAlarms(const std::vector<AlarmBannerEntry>& entries);

    // The latest word on the user's alarm command that did not go well ("… exited with 3").
    void showCommandNote(const QString& note);

    QLabel* text = nullptr;
    QLabel* commandNote = nullptr;
    QPushButton* acknowledge = nullptr;

signals:
    void acknowledgeClicked();
};
