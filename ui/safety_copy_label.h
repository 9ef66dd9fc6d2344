#pragma once
// In the top bar while the journal cannot be written: why, and what it means for the rows.
#include <QLabel>

class SafetyCopyLabel : public QLabel {
public:
    explicit SafetyCopyLabel(QWidget* parent = nullptr);
    // `journalPath` is where the rows would be copied.
    void showState(bool on, const QString& reason, const QString& journalPath);
};
