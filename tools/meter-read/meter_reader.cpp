#include "tools/meter-read/meter_reader.h"

#include "decode/conversion_error.h"
#include "log/log_time_text.h"

ReadingPrinter::ReadingPrinter(std::FILE* out, std::FILE* err, StreamFormat format, const LocaleClock& clock)
    : out_(out), err_(err), format_(format), clock_(clock), timeSeparator_(timeSeparatorOf(clock.userLocale()))
{
}

void ReadingPrinter::print(const Reading& reading)
{
    if (!out_)
        return;
    const QDateTime at = format_ != StreamFormat::Tsv ? clock_.now() : QDateTime();
    const std::string line = readingStreamLine(reading, at, timeSeparator_, format_);
    // One line per frame as it arrives, also into a pipe. A reader that went away ends the
    // printing, said once.
    if (std::fwrite(line.data(), 1, line.size(), out_) != line.size() || std::fflush(out_) != 0) {
        out_ = nullptr;
        closed_ = true;
        std::fprintf(err_, "meter-read: standard output closed; no more lines are printed\n");
    }
}

MeterReader::MeterReader(const LogSettings& settings, int startFullScaleCount, const LocaleClock& clock)
    : pipeline_(startFullScaleCount, clock),
      assembly_([this](const QString& frameText) { decode(frameText); }),
      usb_(UsbReportHandler::VK31C, [this](const QString& frameText) { decode(frameText); })
{
    applyLogSettings(pipeline_, settings);
    connect(&pipeline_, &ReadingPipeline::frameShown, this, [this] { ++decoded_; });
}

void MeterReader::decode(const QString& frameText)
{
    try {
        pipeline_.showFrame(frameText);
    } catch (const ConversionError& e) {
        // A refused frame never gets as far as the count or the full scale: the state stays.
        emit frameRefused(QString::fromStdString(e.what()));
        throw;   // the assembly counts it
    }
}
