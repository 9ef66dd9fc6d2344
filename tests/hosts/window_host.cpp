// The window as the fault tests run it in its own process: offscreen, its journal in the
// program's data folder, connected to COM1 at once, answering no question. Prints the number
// of every row it logs, one a line, as soon as the row is in the table; ends on SIGTERM,
// SIGHUP or SIGINT as the program does.
//   --restore   start as the program does, answering Restore to the start-up question
//   --hold      start as the program does, holding the start-up question open (as a dialog
//               waits for its answer) until the program ends
#include "app/termination_signals.h"
#include "app/tfcomm.h"
#include "ui/user_prompts.h"
#include "log/log_table.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace {

class SilentPrompts : public UserPrompts {
public:
    QString answer;      // the button chosen; escape when empty
    bool hold = false;

    bool askYesNo(const QString&, const QString& text) override { return note("question", text), false; }
    int choose(const QString&, const QString& text, const QStringList& buttons, int escape) override
    {
        note("choice", text);
        if (hold) {
            QEventLoop open;   // ended by the program's end, as a dialog's loop is
            open.exec();
            return -1;
        }
        return buttons.contains(answer) ? int(buttons.indexOf(answer)) : escape;
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
    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("--restore")) || args.contains(QStringLiteral("--hold"))) {
        prompts.answer = QStringLiteral("Restore");
        prompts.hold = args.contains(QStringLiteral("--hold"));
        window.offerRestore();
        std::fprintf(stderr, "restored: %lld\n", static_cast<long long>(window.cds1().rowCount()));
        if (window.isQuitting())
            return 0;
    } else {
        window.COMConClick(true);
    }

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
