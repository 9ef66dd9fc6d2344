#include "reading/computed/computed_value.h"

#include "reading/computed/alignment_rule.h"

namespace {

QString emptyText(const ComputedValue& v)
{
    const QString at = QStringLiteral(" at %1").arg(v.problemPosition);
    switch (v.problem) {
    case EvaluationProblem::DivisionByZero: return QStringLiteral("division by zero") + at;
    case EvaluationProblem::NegativeSquareRoot: return QStringLiteral("square root of a negative value") + at;
    case EvaluationProblem::NotFinite: return QStringLiteral("no finite result") + at;
    case EvaluationProblem::UnitClash:
        return QStringLiteral("units differ: %1 and %2").arg(unitPhrase(v.clashLeft), unitPhrase(v.clashRight)) + at;
    case EvaluationProblem::UnitPower: return QStringLiteral("no unit for this power of %1").arg(unitPhrase(v.clashLeft)) + at;
    case EvaluationProblem::NoValue: return QStringLiteral("a channel it uses has no value") + at;
    case EvaluationProblem::None: break;
    }
    return QStringLiteral("no value");
}

}   // namespace

QString computedProblemText(const ComputedValue& v)
{
    switch (v.state) {
    case ComputedState::Valid: return {};
    case ComputedState::Overload: return QStringLiteral("overload: %1").arg(v.cause);
    case ComputedState::Stale:
        if (v.causeAgeMs < 0)
            return QStringLiteral("stale: %1 has no reading").arg(v.cause);
        return QStringLiteral("stale: %1 has not read for %2 s").arg(v.cause, secondsText(v.causeAgeMs));
    case ComputedState::Empty: return emptyText(v);
    }
    return {};
}
