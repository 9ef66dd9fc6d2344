#include "ui/publish_status_label.h"

PublishStatusLabel::PublishStatusLabel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("PublishStatus"));
    setWordWrap(true);
    setStyleSheet(QStringLiteral("color: #a04000;"));
    hide();
}

void PublishStatusLabel::showStatus(const QString& text)
{
    setText(text);
    setToolTip(text);
    setVisible(!text.isEmpty());
}
