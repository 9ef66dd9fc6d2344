#pragma once
// One computed channel's expression, read once and kept as a short program of operations.
//
// The language: numbers with an optional SI prefix letter (p n u µ m k M G: "1.5k", "2m") and an
// optional exponent ("1e-3"); names of inputs and other channels (plain identifiers);
// + - * / with the usual precedence; ^ binds tighter and to the right, and its exponent is a
// plain number ("u^2", "x^-1", "2^3^2"); unary minus; parentheses; abs(x), sqrt(x), min(a, b),
// max(a, b) and integral(x), the running time integral of x since logging started.
//
// Numbers are plain (no unit); names carry their channel's unit. + - min max need equal units,
// sqrt halves the powers, ^ multiplies them, integral(x) has x's unit times a second.
#include "reading/computed/unit.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// Why a formula or a definition was refused: a message and the 1-based character position in
// the expression of the fault (0 when the fault is the channel's name, not its expression).
struct FormulaError {
    int position = 0;
    QString message;
};

// What may go wrong while a value is worked out: the value is then empty, with the reason.
enum class EvaluationProblem : std::uint8_t {
    None,
    DivisionByZero,
    NegativeSquareRoot,
    NotFinite,          // too large, or 0 raised to a negative power
    UnitClash,          // units that must agree do not (an input's unit changed since the check)
    UnitPower,          // a root or fractional power of a unit that has none
    NoValue,            // a channel it uses has no value itself
};

// One operand while a formula runs: its value in base units, its unit, and what went wrong.
struct FormulaValue {
    double value = 0;
    Unit unit;
    EvaluationProblem problem = EvaluationProblem::None;
    int position = 0;           // where in the expression the problem arose (1-based)
    Unit clashLeft, clashRight; // the two units of a unit clash; clashLeft for UnitPower
};

// The running state of each integral() in a formula; the evaluator owns one per channel.
struct IntegralState {
    bool havePoint = false;     // false at the start and after a gap: the next point adds nothing
    std::int64_t lastMs = 0;
    double lastValue = 0;
    double total = 0;           // base units times seconds
    bool unitKnown = false;
    Unit unit;                  // the integrand's unit, fixed by its first value
};

class Formula {
public:
    // Reads `expression`; names are looked up in `names` and become their index there (the
    // caller's slots). Refusals: a syntax fault, an unknown name, a misused function.
    static Formula parse(const QString& expression, const QStringList& names, FormulaError* error);

    // Checks the units given the slots' units (std::nullopt: not known yet, as for a meter that
    // has not read). Returns the result's unit when every unit it needs is known; a unit fault
    // fills `error` with the position of the operator that found it.
    std::optional<Unit> checkUnits(const std::vector<std::optional<Unit>>& slotUnits, FormulaError* error) const;

    // Works the value out from the slots' current values (which carry their units and
    // problems) at time `nowMs`. `integrals` has integralCount() entries: each integral adds the
    // trapezoid from its previous point; an empty integrand leaves a gap that adds nothing.
    FormulaValue evaluate(const std::vector<FormulaValue>& slotValues, std::int64_t nowMs,
                          std::vector<IntegralState>& integrals) const;
    // Every integral forgets its previous point: the next value starts a new piece.
    static void breakIntegrals(std::vector<IntegralState>& integrals);

    // The slots the formula reads, each once, in ascending order.
    const std::vector<int>& slotsUsed() const { return slotsUsed_; }
    int integralCount() const { return integralCount_; }
    // The 1-based position where `slot` is first read; 0 when it is not.
    int positionOfSlot(int slot) const;
    bool valid() const { return !ops_.empty(); }

    enum class Op : std::uint8_t { Number, Slot, Negate, Add, Subtract, Multiply, Divide, Power, Abs, Sqrt, Min,
                                   Max, Integral };
    struct Step {
        Op op;
        int position;       // 1-based, for messages
        int index;          // slot, integral number
        double number;      // the number pushed, or the exponent of Power
    };

private:
    friend class FormulaParser;
    std::vector<Step> ops_;
    std::vector<int> slotsUsed_;
    int integralCount_ = 0;
    int stackDepth_ = 0;
};

// A plain identifier: a letter or '_', then letters, digits or '_' (ASCII), and not one of the
// functions' names.
bool isPlainName(const QString& name);
