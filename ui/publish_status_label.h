#pragma once
// In the top bar while publishing has something to say: the broker unreachable or refusing,
// and the readings dropped meanwhile. Hidden while all goes well.
#include <QLabel>

class PublishStatusLabel : public QLabel {
public:
    explicit PublishStatusLabel(QWidget* parent = nullptr);
    // `text` empty hides it. Its sender says each text once.
    void showStatus(const QString& text);
};
