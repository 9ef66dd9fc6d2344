#include "ui/safety_copy_label.h"

#include <QDir>

SafetyCopyLabel::SafetyCopyLabel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("SafetyCopy"));
    setGeometry(320, 3, 260, 24);   // in the top bar, between the connection buttons and Quit
    setStyleSheet(QStringLiteral("color: #a04000;"));
    hide();
}

void SafetyCopyLabel::showState(bool on, const QString& reason, const QString& journalPath)
{
    setVisible(!on);
    setText(on ? QString() : QStringLiteral("Safety copy off: ") + reason);
    setToolTip(on ? QString()
                  : QStringLiteral("Logged rows are not copied to %1 (%2). Logging goes on; save the table to keep "
                                   "them. The copy starts again by itself as soon as it can be written.")
                        .arg(QDir::toNativeSeparators(journalPath), reason));
}
