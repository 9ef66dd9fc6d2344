#pragma once
// TntPanel1: the chart's tool bar. Buttons forward to ChartToolPanel; the bar mirrors its state.
#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

class ChartToolPanel;

class ChartToolBar : public QFrame {
    Q_OBJECT
public:
    explicit ChartToolBar(ChartToolPanel& tools, QWidget* parent = nullptr);
    void showState();

    QCheckBox* BtFill = nullptr;
    QLineEdit* Maxrecord = nullptr;
    QPushButton* BtSave = nullptr;
    QPushButton* BtFirst = nullptr;
    QPushButton* BTPrevious = nullptr;
    QPushButton* Bt10 = nullptr;
    QPushButton* BtNext = nullptr;
    QPushButton* BTlast = nullptr;
    QPushButton* TbFd = nullptr;   // Graphic Enlarge
    QPushButton* TbSx = nullptr;   // Graphic Restore

signals:
    void saveClicked();
    void enlargeClicked();
    void restoreClicked();
    // A handler of the tool panel is to run inside the window's error guard.
    void run(const std::function<void()>& handler);

private:
    ChartToolPanel& tools_;
};
