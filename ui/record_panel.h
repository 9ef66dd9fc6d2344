#pragma once
// Panel2: the logging controls (repeat, sampling interval, close data) and the file buttons.
// Repeat, sampling and the interval box set the logger's rules; the buttons are the window's.
#include "log/record_logger.h"

#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

class RecordPanel : public QFrame {
    Q_OBJECT
public:
    explicit RecordPanel(RecordLogger& logger, QWidget* parent = nullptr);

    QCheckBox* RepeatSet = nullptr;
    QCheckBox* RecordSI = nullptr;
    QLineEdit* RecordSITime = nullptr;
    QPushButton* RecordNew = nullptr;       // Close Data
    QPushButton* saveas = nullptr;          // Save data files
    QPushButton* OpenDataFiles = nullptr;   // Open old data files
    QPushButton* BtPrint = nullptr;
    QPushButton* Statistics = nullptr;   // shows or hides the statistics window
    QPushButton* Recorder = nullptr;     // shows or hides the recorder window

signals:
    // The sampling timer's new interval, in milliseconds.
    void intervalChanged(int milliseconds);

private:
    void RecordSITimeChange(const QString& text);
    RecordLogger& logger_;
};
