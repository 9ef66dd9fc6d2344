// Program entry: the application object and the main window, then the event loop.
#include "app/termination_signals.h"
#include "app/tfcomm.h"
#include "app/window_settings.h"
#include "app/window_usage.h"
#include "program_version.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv)
{
    if (answeredVersion(argc, argv, "meter-logger") || answeredWindowHelp(argc, argv))
        return 0;
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    TFCOMM::Services services;
    services.settingsFile = defaultSettingsFile();   // the limits, Repeat, page size, ... of the last run
    TFCOMM window(services);
    window.adjustSize();
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    // Logout, shutdown or Ctrl+C: the journal keeps the rows for the next start.
    TerminationSignals termination([&window](int) { window.endBySignal(); });
    window.offerRestore();
    // A signal during the start-up questions ends the program here, its rows kept.
    if (window.isQuitting())
        return 0;
    return app.exec();
}
