#pragma once
// Meter frames that several tests send or expect, typed once. Each is the hex text of the
// twelve bytes from the sign to the byte after the status bytes; a test adds the end that
// its path carries. They are literals, so tables can join them with other literals:
// SAMPLE_VOLTS_1234 "0D" is the serial link's frame text.
#include <QByteArray>
#include <QString>

#define SAMPLE_VOLTS_1234 "2B3132333420313000008000"           // 1.234 V DC, auto, point after digit 1
#define SAMPLE_VOLTS_MINUS_1234 "2D3132333420313000008000"     // -1.234 V DC, auto
#define SAMPLE_VOLTS_1235 "2B3132333520313000008000"           // 1.235 V DC, auto
#define SAMPLE_VOLTS_12_34 "2B3132333420323000008000"          // 12.34 V DC, auto
#define SAMPLE_OVERLOAD_KOHM "2B3F303A3F20320000202000"        // 0.L kilo-ohm, manual
#define SAMPLE_OVERLOAD_KOHM_MINUS "2D3F303A3F20320000202000"  // the same with a minus sign
#define SAMPLE_HERTZ_NO_POINT "2B3132333420300000000800"       // 1234 Hz, manual: no range row

#define SAMPLE_SERIAL_END "0D"   // the serial link's frame text ends with the carriage return
#define SAMPLE_WIRE_END "0D0A"   // on the wire, and in a USB burst, a line feed follows

namespace sample_frames {

// The frame text the serial link leaves: sign through carriage return.
inline QString serialText(const char* frame) { return QLatin1String(frame) + QLatin1String(SAMPLE_SERIAL_END); }
// The frame text the USB link leaves: the whole burst.
inline QString usbText(const char* frame) { return QLatin1String(frame) + QLatin1String(SAMPLE_WIRE_END); }
// The 14 bytes the meter sends.
inline QByteArray wireBytes(const char* frame) { return QByteArray::fromHex(QByteArray(frame) + SAMPLE_WIRE_END); }
// The bytes of a serial group that follows a frame: the line feed that ended
// the one before, then the frame through its carriage return.
inline QByteArray serialGroup(const char* frame)
{
    return QByteArray::fromHex(QByteArray("0A") + frame + SAMPLE_SERIAL_END);
}
// An input report of the USB adapter, report ID 0, carrying `serial` (1 to 9 bytes) after
// its count byte; the unused high bits of the count are set, as the adapter sends them.
inline QByteArray adapterReport(const QByteArray& serial)
{
    return QByteArray(1, '\0') + char(0xF0 | serial.size()) + serial;
}

} // namespace sample_frames
