#pragma once
// One value of a computed channel, with everything needed to check it: the readings it was
// made from, the alignment rule, and why it is stale, an overload or empty.
#include "reading/computed/formula.h"
#include "reading/computed/unit.h"

#include <QString>

#include <cstdint>
#include <vector>

// One input's part in a computed value. Under hold it is one reading (firstNo == no); under
// mean the readings firstNo..no of the interval, `count` of them, and `valueSi` their mean.
struct SourceReading {
    QString channel;
    std::int64_t no = 0;            // the reading's row number (or sequence) as handed in
    std::int64_t firstNo = 0;
    int count = 0;                  // 0: the input has no reading to give
    double valueSi = 0;             // in the base unit of its quantity
    std::int64_t timeMs = 0;        // the (last) reading's time
    bool overload = false;
};

enum class ComputedState : std::uint8_t {
    Valid,
    Stale,      // `cause` is older than the maximum age, has not read yet, or had no reading in the interval
    Overload,   // `cause` shows overload
    Empty,      // worked out, but no number: `problem` says why
};

struct ComputedValue {
    QString channel;
    std::int64_t no = 0;                // 1, 2, ... per channel
    std::int64_t timeMs = 0;            // hold: the newest reading's time; mean: the interval's end
    QString alignment;                  // "hold:0.5", "mean:10"
    ComputedState state = ComputedState::Valid;
    QString cause;                      // the input that made it stale or an overload
    std::int64_t causeAgeMs = -1;       // stale: the age of cause's latest reading; -1 none yet
    EvaluationProblem problem = EvaluationProblem::None;   // for Empty
    int problemPosition = 0;            // 1-based position in the expression
    Unit clashLeft, clashRight;         // for a unit clash (clashLeft: the unit of UnitPower)
    double valueSi = 0;                 // the value in base units; 0 unless Valid
    Unit unit;                          // its unit (when Valid or Empty from a later fault)
    QString unitText;                   // the unit shown ("W", "Wh", "Ω"), ...
    QString storedUnitText;             // ... and as stored ("W", "Wh", "*")
    double shown = 0;                   // the value in the unit shown (Ah and Wh: valueSi / 3600)
    std::vector<SourceReading> inputs;  // the inputs it depends on, also through other channels

    bool valid() const { return state == ComputedState::Valid; }
};

// Why a value is not a number, for people: "stale: i has not read for 2.1 s", "overload: u",
// "division by zero at 3". Empty for a valid value.
QString computedProblemText(const ComputedValue& v);
