#include "log/record_event.h"

QString eventKindText(EventKind kind)
{
    switch (kind) {
    case EventKind::AlarmRaised: return QStringLiteral("alarm raised");
    case EventKind::AlarmCleared: return QStringLiteral("alarm cleared");
    case EventKind::AlarmAcknowledged: return QStringLiteral("alarm acknowledged");
    case EventKind::LinkLost: return QStringLiteral("link lost");
    case EventKind::LinkBack: return QStringLiteral("link back");
    case EventKind::SafetyCopyStopped: return QStringLiteral("safety copy stopped");
    case EventKind::SafetyCopyStarted: return QStringLiteral("safety copy started");
    case EventKind::Note: return QStringLiteral("note");
    }
    return QStringLiteral("event");
}

QString eventText(const RecordEvent& event)
{
    QString line = eventKindText(event.kind);
    if (!event.rule.isEmpty())
        line += QStringLiteral(": ") + event.rule + (event.text.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(event.text));
    else if (!event.text.isEmpty())
        line += QStringLiteral(": ") + event.text;
    return line;
}
