#pragma once
// Panel2: the logging controls (repeat, sampling interval, close data) and the file buttons.
#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

class RecordPanel : public QFrame {
    Q_OBJECT
public:
    explicit RecordPanel(QWidget* parent = nullptr);

    QCheckBox* RepeatSet = nullptr;
    QCheckBox* RecordSI = nullptr;
    QLineEdit* RecordSITime = nullptr;
    QPushButton* RecordNew = nullptr;       // Close Data
    QPushButton* saveas = nullptr;          // Save data files
    QPushButton* OpenDataFiles = nullptr;   // Open old data files
    QPushButton* BtPrint = nullptr;
};
