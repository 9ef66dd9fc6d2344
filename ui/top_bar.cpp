#include "ui/top_bar.h"

TopBar::TopBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel5"));
    setAutoFillBackground(true);
    for (int i = 0; i < 4; ++i) {
        auto* b = new QPushButton(QStringLiteral("COM %1").arg(i + 1), this);
        b->setObjectName(QStringLiteral("BtCOM%1").arg(i + 1));
        b->setGeometry(5, 3, 61, 24);
        b->setToolTip(QStringLiteral("Click to select the next serial port"));
        b->setVisible(i == 0);
        connect(b, &QPushButton::clicked, this, [this, i] { emit portPanelClicked(i + 1); });
        BtCOM[i] = b;
    }
    COMCon = new QPushButton(QStringLiteral("COM Connection"), this);
    COMCon->setObjectName(QStringLiteral("COMCon"));
    COMCon->setCheckable(true);
    COMCon->setGeometry(70, 3, 120, 24);
    connect(COMCon, &QPushButton::clicked, this, &TopBar::comConClicked);

    USBCon = new QPushButton(QStringLiteral("USB Connection"), this);
    USBCon->setObjectName(QStringLiteral("USBCon"));
    USBCon->setCheckable(true);
    USBCon->setGeometry(194, 3, 120, 24);
    connect(USBCon, &QPushButton::clicked, this, &TopBar::usbConClicked);

    BitBtn1 = new QPushButton(QStringLiteral("&Quit"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(585, 3, 72, 24);
    connect(BitBtn1, &QPushButton::clicked, this, &TopBar::quitClicked);
}

void TopBar::show(const ConnectionControls& c)
{
    for (int i = 0; i < 4; ++i) {
        BtCOM[i]->setVisible(c.portPanelVisible[i]);
        BtCOM[i]->setEnabled(c.portPanelsEnabled);
    }
    COMCon->setVisible(c.comConVisible);
    COMCon->setChecked(c.comConDown);
    COMCon->setText(c.comConCaption);
    USBCon->setVisible(c.usbConVisible);
    USBCon->setChecked(c.usbConDown);
    USBCon->setText(c.usbConCaption);
}
