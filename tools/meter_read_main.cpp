// meter-read: decodes raw meter bytes from a file, standard input or a serial port and prints
// one line per frame.
#include "decode/model_variants.h"
#include "link/com_port_resolver.h"
#include "link/comm_port_driver.h"
#include "tools/meter_read_options.h"
#include "tools/meter_reader.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

int readStream(std::FILE* in, MeterReader& reader)
{
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        reader.RECEIVE_COM_Data(buffer, int(n));
    if (std::ferror(in)) {
        std::fprintf(stderr, "meter-read: read error: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

int readFile(const QString& path, MeterReader& reader)
{
    std::FILE* in = std::fopen(path.toLocal8Bit().constData(), "rb");
    if (!in) {
        std::fprintf(stderr, "meter-read: cannot open %s: %s\n", path.toLocal8Bit().constData(), std::strerror(errno));
        return 1;
    }
    const int rc = readStream(in, reader);
    std::fclose(in);
    return rc;
}

int readPort(const MeterReadOptions& o, MeterReader& reader, QCoreApplication& app)
{
    TCommPortDriver driver;
    driver.SetComPortPollingDelay(100);
    const auto speed = std::find(BaudRateTable.begin(), BaudRateTable.end(), o.baud) - BaudRateTable.begin();
    driver.SetComPortSpeed(static_cast<TComPortBaudRate>(speed));

    // COM1..COM4 go the window's way; other COM names and device paths are resolved here.
    static const QRegularExpression windowPort(QStringLiteral("^COM([1-4])$"));
    const auto m = windowPort.match(o.port);
    if (m.hasMatch()) {
        driver.SetComPort(static_cast<TComPortNumber>(m.captured(1).toInt() - 1));
    } else {
        const QString device = resolveComPort(o.port, meterRuntimeDir());
        driver.SetPortResolver([device](const QString&) { return device; });
    }
    driver.OnReceiveData = [&reader](TCommPortDriver*, const char* data, int size) {
        reader.RECEIVE_COM_Data(data, size);
    };
    if (!driver.OpenPort()) {
        std::fprintf(stderr, "meter-read: could not open %s: %s\n", o.port.toLocal8Bit().constData(),
                     driver.LastOpenError().toLocal8Bit().constData());
        return 1;
    }

    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    int rc = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (driver.PortLost()) {
            std::fprintf(stderr, "meter-read: %s went away\n", o.port.toLocal8Bit().constData());
            rc = 1;
            app.quit();
        } else if (stopRequested) {
            app.quit();
        }
    });
    watch.start(50);
    app.exec();
    driver.ClosePort();
    return rc;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MeterReadOptions options;
    try {
        options = parseMeterReadOptions(app.arguments().mid(1));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "meter-read: %s\n%s", e.what(), meterReadUsage().toLocal8Bit().constData());
        return 2;
    }
    if (options.help) {
        std::fputs(meterReadUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }

    PrintingSink sink(stdout, stderr);
    MeterReader reader(sink, options.decimalSeparator, startupVariant(ModelFlags::layout()).fullScaleCount);
    switch (options.source) {
    case MeterReadOptions::Source::File: return readFile(options.file, reader);
    case MeterReadOptions::Source::StandardInput: return readStream(stdin, reader);
    case MeterReadOptions::Source::Port: return readPort(options, reader, app);
    }
    return 0;
}
