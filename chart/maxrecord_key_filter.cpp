#include "chart/maxrecord_key_filter.h"

#include "chart/chart_tool_panel.h"

#include <QKeyEvent>

bool MaxrecordKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (!text.isEmpty() && key->key() != Qt::Key_Delete) {
            const bool allowed = text.size() == 1 && ChartToolPanel::MaxrecordKeyAllowed(text.at(0));
            if (!allowed)
                return true;  // dropped
        }
    }
    return QObject::eventFilter(watched, event);
}
