#pragma once
// Panel5: the port selector, the two connection buttons, Quit, and between them the messages
// of the window (the link's state, the safety copy's), stacked when more than one shows.
#include "log/journal/journal_files.h"
#include "ui/connection_controls.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <vector>

class TopBar : public QWidget {
    Q_OBJECT
public:
    explicit TopBar(QWidget* parent = nullptr);

    void show(const ConnectionControls& c);   // mirrors the controller's state
    // The link's state in words; an empty text hides it.
    void showLinkStatus(const QString& text);
    // Journals in the journal folder that were not offered because they are not the user's
    // alone: named until the window closes. None hides the message.
    void showForeignJournals(const std::vector<ForeignJournal>& journals);

    std::array<QPushButton*, 4> BtCOM{};      // BtCOM1..BtCOM4, stacked at one place
    QPushButton* COMCon = nullptr;
    QPushButton* USBCon = nullptr;
    QPushButton* BitBtn1 = nullptr;           // Quit
    QLabel* LinkStatus = nullptr;
    QLabel* ForeignJournals = nullptr;

signals:
    void portPanelClicked(int panel);         // 1..4
    void comConClicked(bool down);
    void usbConClicked(bool down);
    void quitClicked();

protected:
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void arrangeMessages();
};
