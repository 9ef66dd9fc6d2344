#include "ui/alarm_banner.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

QString alarmBannerText(const std::vector<AlarmBannerEntry>& entries)
{
    if (entries.empty())
        return QString();
    const AlarmBannerEntry& newest = entries.front();
    QString text = QStringLiteral("Alarm: %1 — %2 at %3")
                       .arg(newest.rule, newest.reading, newest.raisedAt.toString(QStringLiteral("HH:mm:ss")));
    if (newest.raises > 1)
        text += QStringLiteral(" (raised %1 times)").arg(newest.raises);
    if (newest.cleared)
        text += QStringLiteral(", cleared");
    else if (newest.acknowledged)
        text += QStringLiteral(", acknowledged");
    if (entries.size() > 1)
        text += QStringLiteral("   + %1 more alarm%2").arg(entries.size() - 1).arg(entries.size() > 2 ? "s" : "");
    return text;
}

AlarmBanner::AlarmBanner(QWidget* parent) : QToolBar(QStringLiteral("Alarms"), parent)
{
    setObjectName(QStringLiteral("AlarmBanner"));
    setMovable(false);
    setFloatable(false);
    toggleViewAction()->setVisible(false);   // shown by its alarms alone, not from a menu
    setStyleSheet(QStringLiteral("QToolBar#AlarmBanner { background: rgb(255, 214, 196); border: 1px solid rgb(176, 32, 0); }"));
    text = new QLabel(this);
    text->setObjectName(QStringLiteral("AlarmText"));
    text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    text->setStyleSheet(QStringLiteral("color: rgb(128, 0, 0); font-weight: bold; padding: 2px 6px"));
    commandNote = new QLabel(this);
    commandNote->setObjectName(QStringLiteral("AlarmCommandNote"));
    commandNote->setStyleSheet(QStringLiteral("color: rgb(96, 0, 0); padding: 2px 6px"));
    commandNote->hide();
    acknowledge = new QPushButton(QStringLiteral("Acknowledge"), this);
    acknowledge->setObjectName(QStringLiteral("AlarmAcknowledge"));
    addWidget(text);
    addWidget(commandNote);
    addWidget(acknowledge);
    connect(acknowledge, &QPushButton::clicked, this, &AlarmBanner::acknowledgeClicked);
    hide();
}

void AlarmBanner::showCommandNote(const QString& note)
{
    commandNote->setText(note);
    commandNote->setVisible(!note.isEmpty());
}

void AlarmBanner::showAlarms(const std::vector<AlarmBannerEntry>& entries)
{
    const QString shown = alarmBannerText(entries);
    if (text->text() != shown)
        text->setText(shown);
    acknowledge->setVisible(std::any_of(entries.begin(), entries.end(), [](const AlarmBannerEntry& e) {
        return !e.acknowledged;
    }));
    setVisible(!entries.empty());
}
