// The window as the fault tests run it in its own process: offscreen, its journal in the
// program's data folder, connected to COM1 at once, answering no question. Prints the number
// of every row it logs, one a line, as soon as the row is in the table; ends on SIGTERM,
// SIGHUP or SIGINT as the program does.
#include "app/termination_signals.h"
#include "app/tfcomm.h"
#include "ui/user_prompts.h"
#include "log/log_table.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

class SilentPrompts : public UserPrompts {
public:
    bool askYesNo(const QString&, const QString& text) override { return note("question", text), false; }
    int choose(const QString&, const QString& text, const QStringList&, int escape) override
    {
        return note("choice", text), escape;
    }
    void inform(const QString& text) override { note("inform", text); }
    void error(const QString& text) override { note("error", text); }
    QString chooseSaveFile(const FileDialog&) override { return QString(); }
    QString chooseOpenFile(const FileDialog&) override { return QString(); }

private:
    static void note(const char* kind, const QString& text)
    {
        std::fprintf(stderr, "%s: %s\n", kind, qPrintable(text));
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SilentPrompts prompts;
    TFCOMM::Services services;
    services.prompts = &prompts;
    TFCOMM window(services);
    TerminationSignals termination([&window](int) { window.endBySignal(); });
    window.COMConClick(true);

    std::int64_t printed = 0;
    QTimer rows;
    QObject::connect(&rows, &QTimer::timeout, [&] {
        const LogTable& table = window.cds1();
        for (; printed < table.rowCount(); ++printed)
            std::fprintf(stdout, "%d\n", table.integer(printed, LogTable::No).value_or(-1));
        std::fflush(stdout);
    });
    rows.start(5);
    return app.exec();
}
