#include "tools/meter_reader.h"

#include "decode/frame_decoder.h"
#include "tools/reading_line.h"

void PrintingSink::frameDecoded(const DecodedFrame& frame)
{
    if (!out_)
        return;
    std::fprintf(out_, "%s\n", readingLine(frame).c_str());
    std::fflush(out_);   // one line per frame as it arrives, also into a pipe
}

void PrintingSink::frameRefused(const QString& message)
{
    std::fprintf(err_, "%s\n", message.toLocal8Bit().constData());
    std::fflush(err_);
}

MeterReader::MeterReader(FrameSink& sink, QString decimalSeparator, int startFullScaleCount)
    : sink_(sink), decimalSeparator_(std::move(decimalSeparator)), fullScaleCount_(startFullScaleCount),
      assembly_([this](const QString& frameText) { decode(frameText); }),
      usb_(UsbReportHandler::VK31C, [this](const QString& frameText) { decode(frameText); })
{
}

void MeterReader::decode(const QString& frameText)
{
    DecodeInput in;
    in.frameText = frameText;
    in.decimalSeparator = decimalSeparator_;
    in.fullScaleCount = fullScaleCount_;
    in.previousReadingCount = previousReadingCount_;
    DecodedFrame frame;
    try {
        decodeFrameInto(in, frame);
    } catch (const std::exception& e) {
        // A refused frame never gets as far as the count or the full scale: the state stays.
        sink_.frameRefused(QString::fromStdString(e.what()));
        throw;   // the assembly counts it
    }
    fullScaleCount_ = frame.fullScaleCount;
    previousReadingCount_ = frame.readingCount;
    ++decoded_;
    sink_.frameDecoded(frame);
}
