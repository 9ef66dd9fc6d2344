#include "ui/settings_note_label.h"

#include <QDir>

SettingsNoteLabel::SettingsNoteLabel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("SettingsNote"));
    setWordWrap(true);
    setStyleSheet(QStringLiteral("color: #a04000;"));
    hide();
}

void SettingsNoteLabel::showProblem(const QString& problem, const QString& file)
{
    setText(problem);
    setToolTip(problem.isEmpty() ? QString() : problem + QStringLiteral("\n") + QDir::toNativeSeparators(file));
    setVisible(!problem.isEmpty());
}
