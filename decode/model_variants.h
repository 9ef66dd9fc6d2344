#pragma once
// The eleven model flags and what each selects. Data, applied in a fixed order.
#include "decode/usb_report_handler.h"

#include <QString>
#include <array>
#include <optional>

enum class ModelFlag { IFVK20E, IFVK40B, IFVK20D, IFVK503, IFRM7725, IFVK31C, IF7264x, IFVK31B, IF31D, IF31E, IF31A };
inline constexpr int kModelFlagCount = 11;

enum class SerialHandler { None, HexPair /* RECEIVE_COM_Data */, Nibble /* H20BRData */ };

struct ModelFlags {
    std::array<bool, kModelFlagCount> checked{};
    bool isSet(ModelFlag f) const { return checked[static_cast<int>(f)]; }
    void set(ModelFlag f, bool on = true) { checked[static_cast<int>(f)] = on; }
    // The window layout of this build: IFVK31C only.
    static ModelFlags layout();
};

// What a set of flags selects at start-up.
struct StartupVariant {
    SerialHandler serialHandler = SerialHandler::None;
    int serialBaud = 2400;
    int fullScaleCount = 4000;
    QString scaleCode = QStringLiteral("4");   // "4", "6" or "34"
    std::optional<QString> title;              // window title before the platform suffix
    std::optional<QString> digit1Caption;      // caption forced onto the first digit label
    bool decodesSerialFrames = false;
};

// What a set of flags selects each time the USB link connects.
struct UsbVariant {
    UsbReportHandler reportHandler = UsbReportHandler::None;
    int adapterBaud = 2400;
};

StartupVariant startupVariant(const ModelFlags& flags);
UsbVariant usbVariant(const ModelFlags& flags);
QString modelFlagName(ModelFlag f);
// The model a set of flags serves, as people and other systems name it ("VK31C"); "meter" when
// no model flag is set.
QString modelName(const ModelFlags& flags);
