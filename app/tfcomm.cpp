#include "app/tfcomm.h"

#include "app/entry_guard.h"
#include "app/platform_info.h"
#include "app/serial_port_access.h"
#include "link/comm_port_driver.h"
#include "link/serial_frame_assembly.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QMenuBar>

namespace {
QFrame* makeRegion(QWidget* parent, const char* name, int x, int y, int w, int h)
{
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameShape(QFrame::StyledPanel);
    f->setGeometry(x, y, w, h);
    return f;
}
} // namespace

TFCOMM::TFCOMM(const Services& services, QWidget* parent) : QMainWindow(parent), services_(services)
{
    setObjectName(QStringLiteral("FCOMM"));
    if (services_.prompts) {
        prompts_ = services_.prompts;
    } else {
        ownPrompts_ = std::make_unique<DialogPrompts>(this);
        prompts_ = ownPrompts_.get();
    }
    if (services_.clock) {
        clock_ = services_.clock;
    } else {
        ownClock_ = std::make_unique<SystemLocaleClock>();
        clock_ = ownClock_.get();
    }

    // COMM2 as the layout has it: COM1, 2400 bit/s, polled every 100 ms.
    comm2_ = std::make_unique<TCommPortDriver>(this);
    comm2_->SetComPort(pnCOM1);
    comm2_->SetComPortSpeed(br2400);
    comm2_->SetComPortPollingDelay(100);
    assembly_ = std::make_unique<SerialFrameAssembly>();
    portAccess_ = std::make_unique<DriverPortAccess>(*comm2_);
    connection_ = std::make_unique<ConnectionController>(*portAccess_);

    buildLayout();
    buildMenus();
    FormCreate();
    showConnectionState();

    ConTimer.setInterval(100);
    connect(&ConTimer, &QTimer::timeout, this, [this] { guarded(prompts(), [this] { ConTimerTimer(); }); });
    ConTimer.start();
}

TFCOMM::~TFCOMM() = default;

void TFCOMM::buildLayout()
{
    auto* client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    Panel5 = new TopBar(client);
    Panel5->setGeometry(0, 0, kClientWidth, 32);
    connect(Panel5, &TopBar::portPanelClicked, this,
            [this](int panel) { guarded(prompts(), [&] { connection().portPanelClicked(panel); showConnectionState(); }); });
    connect(Panel5, &TopBar::comConClicked, this, [this](bool down) { guarded(prompts(), [&] { COMConClick(down); }); });
    connect(Panel5, &TopBar::quitClicked, this, [this] { guarded(prompts(), [&] { BitBtn1Click(); }); });

    Panel1 = makeRegion(client, "Panel1", 5, 36, 302, 162);
    Panel2 = makeRegion(client, "Panel2", 4, 216, 305, 41);
    Panel4 = makeRegion(client, "Panel4", 308, 34, 351, 116);
    TntPanel1 = makeRegion(client, "TntPanel1", 306, 149, 353, 41);
    Chtshow = makeRegion(client, "Chtshow", 309, 189, 350, 316);
}

void TFCOMM::buildMenus()
{
    RecordMenu = menuBar()->addMenu(QStringLiteral("Record"));
    RecordMenu->setObjectName(QStringLiteral("RecordMenu"));
}

void TFCOMM::FormCreate()
{
    const StartupVariant variant = startupVariant(services_.flags);
    switch (variant.serialHandler) {
    case SerialHandler::HexPair:
        comm2_->OnReceiveData = [this](TCommPortDriver*, const char* data, int size) {
            guarded(prompts(), [&] { assembly_->RECEIVE_COM_Data(data, size); });
        };
        break;
    case SerialHandler::Nibble:
        comm2_->OnReceiveData = [this](TCommPortDriver*, const char* data, int size) {
            guarded(prompts(), [&] { assembly_->H20BRData(data, size); });
        };
        break;
    case SerialHandler::None:
        break;
    }
    if (variant.serialBaud == 19200)
        comm2_->SetComPortSpeed(br19200);
    assembly_->setFrameHandler([this](const QString& frameText) { LcdDisplayVK31C(frameText); });

    setWindowTitle(variant.title.value_or(QStringLiteral("VK31C_D  win7")) + platformSuffix());
}

void TFCOMM::showConnectionState()
{
    Panel5->show(connection().controls());
}

void TFCOMM::COMConClick(bool down)
{
    const QString failure = connection().COMConClick(down);
    showConnectionState();
    if (!failure.isEmpty())
        prompts().error(failure);
}

void TFCOMM::BTCon1Click()
{
    const QString failure = connection().BTCon1Click();
    showConnectionState();
    if (!failure.isEmpty())
        prompts().error(failure);
}

void TFCOMM::BtDiscon1Click()
{
    connection().BtDiscon1Click();
    showConnectionState();
}

void TFCOMM::BitBtn1Click()
{
    if (!prompts().askYesNo(QStringLiteral("Information"),
                            QStringLiteral("Are you sure that you want to quit this application?")))
        return;
    quitting_ = true;
    close();
    QApplication::quit();
}

void TFCOMM::BtExit1Click()
{
    quitting_ = true;
    close();
    QApplication::quit();
}

void TFCOMM::ConTimerTimer()
{
}

void TFCOMM::LcdDisplayVK31C(const QString& frameText)
{
    Q_UNUSED(frameText);
}

void TFCOMM::closeEvent(QCloseEvent* event)
{
    event->accept();
}
