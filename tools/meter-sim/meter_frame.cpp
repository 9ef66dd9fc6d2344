#include "tools/meter-sim/meter_frame.h"

#include "decode/ascii_digit.h"
#include "decode/frame_layout.h"

#include <stdexcept>

namespace {

namespace fl = frame_layout;

// Point code of a point that follows the n-th digit (n = 1..3); 0 is no point.
char pointCodeAfterDigit(int n) { return fl::kPointCodes[size_t(n)]; }

[[noreturn]] void badDisplay(const QString& display)
{
    throw std::invalid_argument("not a meter display: \"" + display.toStdString() + "\"");
}

} // namespace

QByteArray buildMeterFrame(const MeterFrame& f)
{
    QByteArray bytes;
    bytes.reserve(kMeterFrameSize);
    bytes += char(f.negative ? fl::kMinus : fl::kPlus);
    for (int d = 0; d < fl::kDigitCount; ++d)
        bytes += f.overload ? char(fl::kOverloadDigits[size_t(d)]) : f.digits[size_t(d)];
    bytes += char(fl::kGap);
    bytes += f.pointCode;
    for (std::uint8_t s : f.status)
        bytes += char(s);
    bytes += char(fl::kPad);
    bytes += char(fl::kCarriageReturn);
    bytes += char(fl::kLineFeed);
    return bytes;
}

MeterFrame meterFrameForDisplay(const QString& display, const std::array<std::uint8_t, 4>& status)
{
    MeterFrame f;
    f.status = status;
    QString text = display;
    if (text.startsWith(QLatin1Char('-'))) {
        f.negative = true;
        text.remove(0, 1);
    }
    const int point = text.indexOf(QLatin1Char('.'));
    if (point >= 0 && text.indexOf(QLatin1Char('.'), point + 1) >= 0)
        badDisplay(display);
    QString digits = text;
    if (point >= 0)
        digits.remove(point, 1);

    // An overload shows only "0L" in digits 2 and 3, so a point in front of the "0" is the
    // one after digit 1.
    if (digits == QLatin1String("0L")) {
        f.overload = true;
        if (point >= 0)
            f.pointCode = pointCodeAfterDigit(point + 1);
        return f;
    }
    if (digits.size() != 4 || point == 0 || point > 3)
        badDisplay(display);
    if (point > 0)
        f.pointCode = pointCodeAfterDigit(point);
    text = digits;
    for (int i = 0; i < 4; ++i) {
        const QChar c = text.at(i);
        if (!isAsciiDigit(c))
            badDisplay(display);
        f.digits[size_t(i)] = char(c.unicode());
    }
    return f;
}
