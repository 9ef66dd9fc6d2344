#pragma once
// The main window: composes the meter display, the links, the log and the chart.
// The logic lives in the controllers and models it owns; handlers forward to them.
#include "app/connection_controller.h"
#include "app/locale_clock.h"
#include "app/top_bar.h"
#include "app/user_prompts.h"
#include "decode/model_variants.h"

#include <QMainWindow>
#include <QTimer>
#include <memory>

class QMenu;
class QAction;
class QFrame;
class QLabel;
class TCommPortDriver;
class SerialFrameAssembly;
class DriverPortAccess;

class TFCOMM : public QMainWindow {
    Q_OBJECT
public:
    struct Services {
        UserPrompts* prompts = nullptr;     // null: real message boxes over the window
        LocaleClock* clock = nullptr;       // null: the system's locale and clock
        ModelFlags flags = ModelFlags::layout();
    };
    explicit TFCOMM(const Services& services, QWidget* parent = nullptr);
    TFCOMM() : TFCOMM(Services()) {}
    ~TFCOMM() override;

    // Client area of the window.
    static constexpr int kClientWidth = 663;
    static constexpr int kClientHeight = 509;

    // Components, named as in the window layout; reachable for tests.
    TopBar* Panel5 = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* Panel4 = nullptr;
    QFrame* TntPanel1 = nullptr;
    QWidget* Chtshow = nullptr;
    QMenu* RecordMenu = nullptr;
    QTimer ConTimer;

    TCommPortDriver& COMM2() { return *comm2_; }
    ConnectionController& connection() { return *connection_; }
    SerialFrameAssembly& serialAssembly() { return *assembly_; }

    // Handlers bound to the controls.
    void COMConClick(bool down);
    void BTCon1Click();
    void BtDiscon1Click();
    void BitBtn1Click();       // Quit, with its question
    void BtExit1Click();       // Exit, without a question
    void ConTimerTimer();

    // The frame decoder's entry: called by a link once per accepted frame.
    void LcdDisplayVK31C(const QString& frameText);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void buildLayout();
    void buildMenus();
    void showConnectionState();
    UserPrompts& prompts() { return *prompts_; }

    Services services_;
    std::unique_ptr<UserPrompts> ownPrompts_;
    std::unique_ptr<LocaleClock> ownClock_;
    UserPrompts* prompts_ = nullptr;
    LocaleClock* clock_ = nullptr;

    std::unique_ptr<TCommPortDriver> comm2_;
    std::unique_ptr<SerialFrameAssembly> assembly_;
    std::unique_ptr<DriverPortAccess> portAccess_;
    std::unique_ptr<ConnectionController> connection_;
    bool quitting_ = false;
};
