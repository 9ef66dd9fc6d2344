#include "tools/meter-read/session_feed.h"

#include "decode/conversion_error.h"
#include "reading/session/meter_session.h"

SessionFeed::SessionFeed(MeterSession& session, int input)
    : session_(session), input_(input),
      assembly_([this](const QString& frameText) { decode(frameText, assembly_.frameArrivedAt()); }),
      usb_(UsbReportHandler::VK31C, [this](const QString& frameText) { decode(frameText, usb_.frameArrivedAt()); })
{
}

void SessionFeed::decode(const QString& frameText, const QDateTime& arrivedAt)
{
    try {
        session_.frameArrived(input_, frameText, arrivedAt);
        ++decoded_;
    } catch (const ConversionError& e) {
        emit frameRefused(QString::fromStdString(e.what()));
        throw;   // the assembly counts it
    }
}
