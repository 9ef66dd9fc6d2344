#include "decode/model_variants.h"

namespace {

// One row per flag that start-up reads, in the order they are applied (a later flag wins).
struct StartupRow {
    ModelFlag flag;
    SerialHandler handler;
    int baud;                 // 0: keep the layout's speed
    const char* scaleCode;    // nullptr: unchanged
    const char* title;
    const char* digit1Caption;
};

const StartupRow kStartupRows[] = {
    {ModelFlag::IFVK20E, SerialHandler::Nibble, 0, nullptr, "VK20A Interface Program _Ver: 2.00", "3"},
    {ModelFlag::IFVK40B, SerialHandler::HexPair, 0, nullptr, "VK40B USB Interface Program _Ver: 1.00", nullptr},
    {ModelFlag::IFVK20D, SerialHandler::HexPair, 0, "34", "VK20D Interface Program _Ver: 2.06", nullptr},
    {ModelFlag::IFVK503, SerialHandler::HexPair, 19200, "4", "VK503 USB Interface Program _Ver: 1.00", nullptr},
    {ModelFlag::IFRM7725, SerialHandler::HexPair, 19200, "4", "RM7725 USB Interface Program _Ver: 1.00", nullptr},
    {ModelFlag::IFVK31C, SerialHandler::HexPair, 0, "6", "VK31C/D Interface Program Ver 3.03", nullptr},
};

// USB report handler, applied in this order.
const std::pair<ModelFlag, UsbReportHandler> kUsbReportHandlerRows[] = {
    {ModelFlag::IFVK40B, UsbReportHandler::VK40B},
    {ModelFlag::IFVK20E, UsbReportHandler::VK20E},
    {ModelFlag::IFVK31C, UsbReportHandler::VK31C},
};

// USB adapter speed, applied in this order.
const std::pair<ModelFlag, int> kUsbBaudRows[] = {
    {ModelFlag::IFVK503, 19200},
    {ModelFlag::IFVK20E, 2400},
    {ModelFlag::IFVK40B, 2400},
    {ModelFlag::IFVK31C, 2400},
};

const char* const kFlagNames[kModelFlagCount] = {
    "IFVK20E", "IFVK40B", "IFVK20D", "IFVK503", "IFRM7725", "IFVK31C",
    "IF7264x", "IFVK31B", "IF31D", "IF31E", "IF31A",
};

int fullScaleForCode(const QString& code)
{
    if (code == QLatin1String("6")) return 6000;
    if (code == QLatin1String("34")) return 3400;
    return 4000;
}

} // namespace

ModelFlags ModelFlags::layout()
{
    ModelFlags f;
    f.set(ModelFlag::IFVK31C);
    return f;
}

QString modelFlagName(ModelFlag f) { return QLatin1String(kFlagNames[static_cast<int>(f)]); }

QString modelName(const ModelFlags& flags)
{
    for (int f = 0; f < kModelFlagCount; ++f)
        if (flags.checked[std::size_t(f)])
            return modelFlagName(ModelFlag(f)).mid(2);   // "IFVK31C" names the model VK31C
    return QStringLiteral("meter");
}

StartupVariant startupVariant(const ModelFlags& flags)
{
    StartupVariant v;
    for (const StartupRow& row : kStartupRows) {
        if (!flags.isSet(row.flag))
            continue;
        v.serialHandler = row.handler;
        if (row.baud)
            v.serialBaud = row.baud;
        if (row.scaleCode)
            v.scaleCode = QLatin1String(row.scaleCode);
        v.title = QString::fromLatin1(row.title);
        if (row.digit1Caption)
            v.digit1Caption = QString::fromLatin1(row.digit1Caption);
    }
    v.fullScaleCount = fullScaleForCode(v.scaleCode);
    v.decodesSerialFrames = v.serialHandler == SerialHandler::HexPair;
    return v;
}

UsbVariant usbVariant(const ModelFlags& flags)
{
    UsbVariant v;
    for (const auto& [flag, handler] : kUsbReportHandlerRows)
        if (flags.isSet(flag))
            v.reportHandler = handler;
    for (const auto& [flag, baud] : kUsbBaudRows)
        if (flags.isSet(flag))
            v.adapterBaud = baud;
    return v;
}
