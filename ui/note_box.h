#pragma once
// A note typed while logging ("fan switched on"): a small line over the foot of its window,
// opened by Ctrl+N. Enter stores the text (noteEntered) and closes the line; Escape closes it
// and keeps nothing.
#include <QFrame>

class QLineEdit;

class NoteBox : public QFrame {
    Q_OBJECT
public:
    static constexpr int kMostCharacters = 500;   // a note, not a report

    explicit NoteBox(QWidget* parent);

    // Shown at the foot of the parent, empty, with the keyboard's focus.
    void open();

    QLineEdit* edit = nullptr;

signals:
    void noteEntered(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
