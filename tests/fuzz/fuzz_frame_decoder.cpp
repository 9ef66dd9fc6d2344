// The frame decoder on any frame text: it either decodes the frame completely into texts
// the meter can show, or stops with the conversion error, keeping what it had done.
//
// Input: one byte of settings (decimal separator, full scale, previous count), then the
// frame text, one character per byte.
#include "fuzz_check.h"

#include "decode/frame_decoder.h"
#include "decode/meter_value_reader.h"
#include "decode/range_table.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

const QStringList kFunctions = {"", "DC", "AC", "Diode", "CTN", "OHM", "CAP", "TMP", "Freq", "DutyCycle"};
const QStringList kUnits = {"",   "V",  "nV", "mV", "uV", "A", "nA", "mA", "uA", "F",
                            "nF", "mF", "uF", "*",  "k*", "M*", "Hz", "kHz", "MHz", "%", "#", "?"};
const int kFullScales[] = {6000, 1000, 100, 4000};
const double kPreviousCounts[] = {0, 1234, -1234, 6001, -6001, 9999, 1, -1};

QString rangeName(const Reading& f) { return f.range ? QLatin1String(f.range->name) : QString(); }
double rangeBound(const Reading& f) { return f.range ? f.range->bound : 0; }

bool isHexText(const QString& text)
{
    for (QChar c : text)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    return true;
}

void checkDecoded(const DecodeInput& in, const Reading& f)
{
    const QString where = QStringLiteral("frame \"%1\"").arg(fuzzShow(in.frameText));
    FUZZ_CHECK(f.progress == DecodeProgress::Complete, where);
    FUZZ_CHECK(isHexText(in.frameText) && in.frameText.size() >= 22, where);
    FUZZ_CHECK(kFunctions.contains(f.functionText), where + " function " + f.functionText);
    FUZZ_CHECK(kUnits.contains(f.unitText), where + " unit " + f.unitText);
    FUZZ_CHECK(f.rangeModeText == QLatin1String("AUTO") || f.rangeModeText == QLatin1String("MANU"), where);
    FUZZ_CHECK(f.pointPosition >= 0 && f.pointPosition <= 3, where);
    FUZZ_CHECK(f.fullScaleCount == fullScaleFor(f.measurement.quantity), where);
    // The texts say what the measurement says: read back, they give it again.
    const std::optional<Measurement> back =
        measurementFromTexts(f.functionText, f.valueText, f.unitText, f.rangeModeText, f.judgeText);
    FUZZ_CHECK(back && back->overload == f.overload(), where + " value " + f.valueText);
    FUZZ_CHECK(f.overload() || *back == f.measurement, where + " value " + f.valueText);

    // The value text without its separator is the count the meter shows.
    QString bare = f.valueText;
    if (f.pointPosition > 0) {
        FUZZ_CHECK(bare.count(in.decimalSeparator) == 1, where + " value " + f.valueText);
        bare.remove(in.decimalSeparator);
    }
    if (f.overload()) {
        FUZZ_CHECK(bare == QLatin1String("0L"), where + " value " + f.valueText);
        FUZZ_CHECK(std::fabs(f.readingCount) == in.fullScaleCount + 1.0, where);
    } else {
        bool ok = false;
        const int shown = bare.toInt(&ok);
        FUZZ_CHECK(ok && shown == f.readingCount, where + " value " + f.valueText);
        FUZZ_CHECK(std::fabs(f.readingCount) <= 9999, where);
    }

    // The scaling comes from the last row that matches; with none the count stands.
    const RangeRow* last = nullptr;
    for (const RangeRow& row : rangeRows())
        if (rangeRowMatches(row, f))
            last = &row;
    FUZZ_CHECK(bool(f.range) == (last != nullptr), where);
    if (last) {
        FUZZ_CHECK(rangeName(f) == QLatin1String(last->name) && rangeBound(f) == last->bound, where + " range " + rangeName(f));
        // Scaled by that row's factor, to the double nearest the number shown.
        const double scaled = f.readingCount * last->factor;
        FUZZ_CHECK(std::fabs(f.readingValue - scaled) <= 1e-12 * std::max(1.0, std::fabs(scaled)), where);
    } else {
        FUZZ_CHECK(f.readingValue == f.readingCount && rangeName(f).isEmpty(), where);
    }
}

void checkRefused(const DecodeInput& in, const ConversionError& e, const Reading& partial)
{
    const QString where = QStringLiteral("frame \"%1\"").arg(fuzzShow(in.frameText));
    // what() is a C string: it ends at a zero character of the failing text.
    QString expected = QStringLiteral("'%1' is not a valid integer value").arg(e.failingText());
    if (expected.contains(QChar(0)))
        expected.truncate(expected.indexOf(QChar(0)));
    FUZZ_CHECK(QString::fromStdString(e.what()) == expected, where + " message " + fuzzShow(QString::fromStdString(e.what())));
    FUZZ_CHECK(partial.progress == DecodeProgress::Started || partial.progress == DecodeProgress::TextsCleared
                   || partial.progress == DecodeProgress::ValueText,
               where + QStringLiteral(" progress %1").arg(int(partial.progress)));
    // A stopped frame never reaches the range rows: the value is still the previous count.
    FUZZ_CHECK(partial.readingValue == in.previousReadingCount, where);
    FUZZ_CHECK(!bool(partial.range), where);
    if (partial.progress == DecodeProgress::Started) {
        // Only a character that is no hex digit, or a text too short to hold the status bytes.
        FUZZ_CHECK(!isHexText(in.frameText) || in.frameText.size() < 22, where);
        FUZZ_CHECK(partial.functionText.isEmpty() && partial.valueText.isEmpty(), where);
    } else {
        FUZZ_CHECK(isHexText(in.frameText) && in.frameText.size() >= 22, where);
    }
    if (partial.progress == DecodeProgress::TextsCleared)   // the point code, character 14
        FUZZ_CHECK(e.failingText() == in.frameText.mid(13, 1), where + " failing " + e.failingText());
    if (partial.progress == DecodeProgress::ValueText) {
        FUZZ_CHECK(!partial.overload() && !partial.valueText.isEmpty(), where);
        FUZZ_CHECK(partial.rangeModeText == QLatin1String("AUTO") || partial.rangeModeText == QLatin1String("MANU"),
                   where);
    }
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const uint8_t settings = input.byte();
    DecodeInput in;
    in.decimalSeparator = (settings & 1) ? QStringLiteral(",") : QStringLiteral(".");
    in.fullScaleCount = kFullScales[(settings >> 1) & 3];
    in.previousReadingCount = kPreviousCounts[(settings >> 3) & 7];
    in.frameText = QString::fromLatin1(reinterpret_cast<const char*>(input.rest()), int(input.remaining()));

    Reading partial;
    bool refused = false;
    try {
        decodeFrameInto(in, partial);
    } catch (const ConversionError& e) {
        refused = true;
        checkRefused(in, e, partial);
    }
    if (!refused)
        checkDecoded(in, partial);

    // decodeFrame is the same decoding with a fresh result; the decoder keeps no state.
    try {
        const Reading again = decodeFrame(in);
        FUZZ_CHECK(!refused, fuzzShow(in.frameText));
        FUZZ_CHECK(again.valueText == partial.valueText && again.readingValue == partial.readingValue
                       && again.unitText == partial.unitText && again.functionText == partial.functionText
                       && again.indicators.bits() == partial.indicators.bits() && again.digits == partial.digits,
                   fuzzShow(in.frameText));
    } catch (const ConversionError&) {
        FUZZ_CHECK(refused, fuzzShow(in.frameText));
    }
    return 0;
}
