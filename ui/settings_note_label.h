#pragma once
// In the top bar while the settings file was not read or cannot be kept: why.
#include <QLabel>

class SettingsNoteLabel : public QLabel {
public:
    explicit SettingsNoteLabel(QWidget* parent = nullptr);
    // `problem` empty hides the note; `file` is the settings file it is about.
    void showProblem(const QString& problem, const QString& file);
};
