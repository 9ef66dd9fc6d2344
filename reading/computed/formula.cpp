// Checking a formula's units and working its value out: both walk the same list of operations,
// the check with units only, the evaluation with values and units together.
#include "reading/computed/formula.h"

#include <cmath>

namespace {

using Op = Formula::Op;

bool agreeing(Op op) { return op == Op::Add || op == Op::Subtract || op == Op::Min || op == Op::Max; }

QString clashMessage(Op op, const Unit& a, const Unit& b)
{
    switch (op) {
    case Op::Add: return QStringLiteral("cannot add %1 to %2").arg(unitPhrase(b), unitPhrase(a));
    case Op::Subtract: return QStringLiteral("cannot subtract %1 from %2").arg(unitPhrase(b), unitPhrase(a));
    default: return QStringLiteral("cannot compare %1 with %2").arg(unitPhrase(a), unitPhrase(b));
    }
}

bool isWhole(double x) { return std::floor(x) == x && std::fabs(x) <= 64; }

// The unit of x^exponent, when it has one.
bool powerUnit(const Unit& u, double exponent, Unit& out)
{
    if (u.dimensionless()) {
        out = u;
        return true;
    }
    return isWhole(exponent) && raiseUnit(u, static_cast<int>(exponent), out);
}

}   // namespace

std::optional<Unit> Formula::checkUnits(const std::vector<std::optional<Unit>>& slotUnits, FormulaError* error) const
{
    std::vector<std::optional<Unit>> stack;
    const auto fault = [error](int position, const QString& message) {
        if (error)
            *error = {position, message};
        return std::optional<Unit>();
    };
    for (const Step& s : ops_) {
        if (s.op == Op::Number) {
            stack.emplace_back(Unit());
            continue;
        }
        if (s.op == Op::Slot) {
            stack.push_back(s.index < static_cast<int>(slotUnits.size()) ? slotUnits[s.index] : std::nullopt);
            continue;
        }
        std::optional<Unit> b = stack.back();
        if (s.op == Op::Negate || s.op == Op::Abs) {
            continue;
        } else if (s.op == Op::Sqrt || s.op == Op::Power || s.op == Op::Integral) {
            Unit out;
            if (!b)
                continue;
            if (s.op == Op::Integral)
                stack.back() = *b * Unit::of(Dimension::Second);
            else if (s.op == Op::Sqrt ? squareRootUnit(*b, out) : powerUnit(*b, s.number, out))
                stack.back() = out;
            else
                return fault(s.position, s.op == Op::Sqrt ? QStringLiteral("the square root of %1 has no unit").arg(unitPhrase(*b))
                                                          : QStringLiteral("%1 raised to %2 has no unit").arg(unitPhrase(*b)).arg(s.number));
            continue;
        }
        stack.pop_back();
        std::optional<Unit>& a = stack.back();
        if (agreeing(s.op)) {
            if (a && b && *a != *b)
                return fault(s.position, clashMessage(s.op, *a, *b));
            if (!a)
                a = b;
        } else if (a && b) {
            a = s.op == Op::Multiply ? *a * *b : *a / *b;
        } else {
            a.reset();
        }
    }
    return stack.empty() ? std::nullopt : stack.back();
}

namespace {

FormulaValue problem(EvaluationProblem p, int position, const Unit& unit = {}, const Unit& left = {},
                     const Unit& right = {})
{
    FormulaValue v;
    v.unit = unit;
    v.problem = p;
    v.position = position;
    v.clashLeft = left;
    v.clashRight = right;
    return v;
}

// One operator on two operands that both have values.
FormulaValue binary(const Formula::Step& s, const FormulaValue& a, const FormulaValue& b)
{
    if (agreeing(s.op) && a.unit != b.unit)
        return problem(EvaluationProblem::UnitClash, s.position, a.unit, a.unit, b.unit);
    FormulaValue r;
    switch (s.op) {
    case Op::Add: r.value = a.value + b.value; r.unit = a.unit; break;
    case Op::Subtract: r.value = a.value - b.value; r.unit = a.unit; break;
    case Op::Min: r.value = std::fmin(a.value, b.value); r.unit = a.unit; break;
    case Op::Max: r.value = std::fmax(a.value, b.value); r.unit = a.unit; break;
    case Op::Multiply: r.value = a.value * b.value; r.unit = a.unit * b.unit; break;
    default:
        if (b.value == 0)
            return problem(EvaluationProblem::DivisionByZero, s.position, a.unit / b.unit);
        r.value = a.value / b.value;
        r.unit = a.unit / b.unit;
    }
    return r;
}

// One operator on one operand that has a value.
FormulaValue unary(const Formula::Step& s, const FormulaValue& x)
{
    FormulaValue r = x;
    switch (s.op) {
    case Op::Negate: r.value = -x.value; break;
    case Op::Abs: r.value = std::fabs(x.value); break;
    case Op::Sqrt:
        if (!squareRootUnit(x.unit, r.unit))
            return problem(EvaluationProblem::UnitPower, s.position, {}, x.unit);
        if (x.value < 0)
            return problem(EvaluationProblem::NegativeSquareRoot, s.position, r.unit);
        r.value = std::sqrt(x.value);
        break;
    default:
        if (!powerUnit(x.unit, s.number, r.unit))
            return problem(EvaluationProblem::UnitPower, s.position, {}, x.unit);
        r.value = std::pow(x.value, s.number);
    }
    return r;
}

// The trapezoid from the integral's previous point to this one; an empty integrand is a gap.
FormulaValue integrate(const Formula::Step& s, const FormulaValue& x, std::int64_t nowMs, IntegralState& st)
{
    const Unit second = Unit::of(Dimension::Second);
    if (x.problem == EvaluationProblem::None && st.unitKnown && x.unit != st.unit) {
        st.havePoint = false;
        return problem(EvaluationProblem::UnitClash, s.position, st.unit * second, st.unit, x.unit);
    }
    if (x.problem != EvaluationProblem::None) {
        st.havePoint = false;
    } else {
        if (st.havePoint && nowMs > st.lastMs) {
            const double total = st.total + (st.lastValue / 2 + x.value / 2) * static_cast<double>(nowMs - st.lastMs) / 1000.0;
            if (!std::isfinite(total)) {   // the total keeps what it had; the piece is a gap
                st.havePoint = false;
                return problem(EvaluationProblem::NotFinite, s.position, st.unit * second);
            }
            st.total = total;
        }
        st.havePoint = true;
        st.lastMs = std::max(st.lastMs, nowMs);
        st.lastValue = x.value;
        st.unit = x.unit;
        st.unitKnown = true;
    }
    FormulaValue r;
    r.value = st.total;
    r.unit = (st.unitKnown ? st.unit : x.unit) * second;
    return r;
}

}   // namespace

FormulaValue Formula::evaluate(const std::vector<FormulaValue>& slotValues, std::int64_t nowMs,
                               std::vector<IntegralState>& integrals) const
{
    std::vector<FormulaValue> stack;
    stack.reserve(static_cast<std::size_t>(stackDepth_));
    for (const Step& s : ops_) {
        if (s.op == Op::Number) {
            FormulaValue v;
            v.value = s.number;
            stack.push_back(v);
            continue;
        }
        if (s.op == Op::Slot) {
            const FormulaValue& v = slotValues[static_cast<std::size_t>(s.index)];
            stack.push_back(v.problem == EvaluationProblem::None ? v : problem(EvaluationProblem::NoValue, s.position, v.unit));
            continue;
        }
        FormulaValue& top = stack.back();
        if (s.op == Op::Integral) {
            top = integrate(s, top, nowMs, integrals[static_cast<std::size_t>(s.index)]);
            continue;
        }
        if (s.op == Op::Negate || s.op == Op::Abs || s.op == Op::Sqrt || s.op == Op::Power) {
            if (top.problem == EvaluationProblem::None)
                top = unary(s, top);
        } else {
            const FormulaValue b = top;
            stack.pop_back();
            FormulaValue& a = stack.back();
            if (a.problem == EvaluationProblem::None)
                a = b.problem == EvaluationProblem::None ? binary(s, a, b) : b;
        }
        FormulaValue& r = stack.back();
        if (r.problem == EvaluationProblem::None && !std::isfinite(r.value))
            r = problem(EvaluationProblem::NotFinite, s.position, r.unit);
    }
    return stack.empty() ? FormulaValue() : stack.back();
}

int Formula::positionOfSlot(int slot) const
{
    for (const Step& s : ops_)
        if (s.op == Op::Slot && s.index == slot)
            return s.position;
    return 0;
}

void Formula::breakIntegrals(std::vector<IntegralState>& integrals)
{
    for (auto& i : integrals)
        i.havePoint = false;
}
