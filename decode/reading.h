#pragma once
// What one meter frame says: the reading that decodeFrame() yields, typed. Texts for people
// (units in their own characters, the time) are made from it where they are shown.
#include "decode/indicators.h"
#include "decode/measurement.h"

#include <QDateTime>
#include <QString>
#include <array>

struct RangeRow;

// How far decoding a frame got. A frame that fails keeps what the stages before the failure
// produced, so the panel applies only what the frame reached. Later stages compare greater.
enum class DecodeProgress {
    Started,        // failed on a character that is not hexadecimal, or a short text: nothing done
    TextsCleared,   // failed on the point code: texts cleared, indicators hidden, previous count taken
    PointRead,      // digits and point code read (never the end of a failed frame)
    ValueText,      // failed on the count: indicators, points and value text done
    Complete,
};

struct Reading {
    Measurement measurement;            // what the texts below say, typed; the judge sets its verdict
    IndicatorSet indicators;            // status bits, sign and point indicators
    std::array<QString, 4> digits;      // captions of the four digits ("@" draws the letter L)
    int pointPosition = 0;              // 0 none, n = after digit n
    bool status2Bit7 = false;           // status byte 2, bit 7: selects range row 23
    // The texts, made from the measurement (decode/measurement_text.h) as the frame is decoded.
    QString valueText;                  // as the meter shows it, with the locale's separator
    double readingCount = 0;            // signed display count without the point; the full scale
                                        // plus one for an overload
    double readingValue = 0;            // count times the factor of the last matching range row; the
                                        // count itself when no row matches; the previous frame's count
                                        // when this frame stopped before its count
    QString functionText;               // "DC", "AC", "OHM", ... or empty
    QString unitText;                   // with the prefix the meter shows: "V", "k*", "kHz", "#", ... or empty
    QString rangeModeText;              // "AUTO" or "MANU"
    QString judgeText;                  // "pass" or "Fail" once the judge has seen it; the decoder leaves it empty
    int fullScaleCount = 0;             // full scale for the next frame, set by quantity
    const RangeRow* range = nullptr;    // the last matching range row (its name, axis bound B and
                                        // factor); null when none matched
    DecodeProgress progress = DecodeProgress::Started;
    QDateTime arrivedAt;                // when the frame's last byte arrived; a logged row takes this time

    bool overload() const { return measurement.overload; }
};
