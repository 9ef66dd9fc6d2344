#include "tools/meter_reader.h"

#include "decode/conversion_error.h"

void PrintingSink::frameDecoded(const DecodedFrame& frame)
{
    if (!out_)
        return;
    const QDateTime at = format_ != StreamFormat::Tsv && stamp_.now ? stamp_.now() : QDateTime();
    const std::string line = readingStreamLine(frame, at, stamp_.timeSeparator, format_);
    // One line per frame as it arrives, also into a pipe. A reader that went away ends the
    // printing, said once.
    if (std::fwrite(line.data(), 1, line.size(), out_) != line.size() || std::fflush(out_) != 0) {
        out_ = nullptr;
        closed_ = true;
        std::fprintf(err_, "meter-read: standard output closed; no more lines are printed\n");
    }
}

void PrintingSink::frameRefused(const QString& message)
{
    std::fprintf(err_, "%s\n", message.toLocal8Bit().constData());
    std::fflush(err_);
}

MeterReader::MeterReader(FrameSink& sink, const LogSettings& settings, int startFullScaleCount, Clock clock,
                         RowHandler rowLogged)
    : sink_(sink), clock_(std::move(clock)), decimalSeparator_(settings.decimalSeparator),
      pipeline_(startFullScaleCount, {[this] { return decimalSeparator_; }, [this] { return clock_.locale; },
                                      [this] { return clock_.now(); }}),
      assembly_([this](const QString& frameText) { decode(frameText); }),
      usb_(UsbReportHandler::VK31C, [this](const QString& frameText) { decode(frameText); })
{
    applyLogSettings(pipeline_, settings);
    ReadingPipeline::Events events;
    if (rowLogged)
        events.rowAppended = [rowLogged](const LogTable& table, std::int64_t row, double) { rowLogged(table, row); };
    events.frameDecoded = [this](const DecodedFrame& frame) {
        ++decoded_;
        sink_.frameDecoded(frame);
    };
    pipeline_.setEvents(std::move(events));
}

namespace {
LogSettings withSeparator(QString decimalSeparator)
{
    LogSettings settings;
    settings.decimalSeparator = std::move(decimalSeparator);
    return settings;
}
} // namespace

MeterReader::MeterReader(FrameSink& sink, QString decimalSeparator, int startFullScaleCount)
    : MeterReader(sink, withSeparator(std::move(decimalSeparator)), startFullScaleCount)
{
}

void MeterReader::decode(const QString& frameText)
{
    try {
        pipeline_.LcdDisplayVK31C(frameText);
    } catch (const ConversionError& e) {
        // A refused frame never gets as far as the count or the full scale: the state stays.
        sink_.frameRefused(QString::fromStdString(e.what()));
        throw;   // the assembly counts it
    }
}
