#include "tools/meter-read/meter_reader.h"

#include "decode/conversion_error.h"
#include "log/log_time_text.h"
#include "tools/meter-read/event_lines.h"

ReadingPrinter::ReadingPrinter(LineOutput* out, StreamFormat format, const LocaleClock& clock)
    : out_(out), format_(format), clock_(clock), timeSeparator_(timeSeparatorOf(clock.userLocale()))
{
}

void ReadingPrinter::print(const Reading& reading)
{
    if (!out_)
        return;
    const QDateTime at =
        format_ == StreamFormat::Tsv ? QDateTime() : reading.arrivedAt.isValid() ? reading.arrivedAt : clock_.now();
    const std::string line = readingStreamLine(reading, at, timeSeparator_, format_);
    out_->write(eventColumn_ ? withEventColumn(line) : line);
}

MeterReader::MeterReader(const LogSettings& settings, int startFullScaleCount, const LocaleClock& clock)
    : clock_(clock), pipeline_(startFullScaleCount, clock),
      assembly_([this](const QString& frameText) { decode(frameText, assembly_.frameArrivedAt()); }),
      usb_(UsbReportHandler::VK31C, [this](const QString& frameText) { decode(frameText, usb_.frameArrivedAt()); })
{
    applyLogSettings(pipeline_, settings);
    connect(&pipeline_, &ReadingPipeline::frameShown, this, [this] { ++decoded_; });
}

void MeterReader::decode(const QString& frameText, const QDateTime& arrivedAt)
{
    try {
        pipeline_.showFrame(frameText, arrivedAt);
    } catch (const ConversionError& e) {
        // A refused frame never gets as far as the count or the full scale: the state stays.
        emit frameRefused(QString::fromStdString(e.what()));
        throw;   // the assembly counts it
    }
}
