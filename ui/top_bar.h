#pragma once
// Panel5: the port selector, the two connection buttons and Quit.
#include "ui/connection_controls.h"

#include <QPushButton>
#include <QWidget>
#include <array>

class TopBar : public QWidget {
    Q_OBJECT
public:
    explicit TopBar(QWidget* parent = nullptr);

    void show(const ConnectionControls& c);   // mirrors the controller's state

    std::array<QPushButton*, 4> BtCOM{};      // BtCOM1..BtCOM4, stacked at one place
    QPushButton* COMCon = nullptr;
    QPushButton* USBCon = nullptr;
    QPushButton* BitBtn1 = nullptr;           // Quit

signals:
    void portPanelClicked(int panel);         // 1..4
    void comConClicked(bool down);
    void usbConClicked(bool down);
    void quitClicked();
};
