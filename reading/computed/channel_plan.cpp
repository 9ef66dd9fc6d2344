#include "reading/computed/channel_plan.h"

#include <QSet>

std::optional<ChannelDefinition> splitDefinition(const QString& text)
{
    const int eq = text.indexOf(QLatin1Char('='));
    if (eq < 0)
        return std::nullopt;
    return ChannelDefinition{text.left(eq).trimmed(), text.mid(eq + 1)};
}

namespace {

// Refuses names that are not plain or that another input or channel has already.
void checkName(const QString& name, QSet<QString>& seen, std::vector<DefinitionError>& errors)
{
    QString message;
    if (name.isEmpty())
        message = QStringLiteral("a channel needs a name");
    else if (!isPlainName(name))
        message = QStringLiteral("'%1' is not a plain name: a letter or '_' first, then letters, digits or '_', "
                                 "and not abs, sqrt, min, max or integral").arg(name);
    else if (seen.contains(name))
        message = QStringLiteral("the name '%1' is used twice").arg(name);
    seen.insert(name);
    if (!message.isEmpty())
        errors.push_back({name, {0, message}});
}

// Orders the channels so that each comes after those it uses; a cycle is refused on each
// channel in it, at the place where it uses the next one.
class Ordering {
public:
    Ordering(const std::vector<Formula>& formulas, int inputCount, const std::vector<ChannelDefinition>& defs)
        : formulas_(formulas), inputs_(inputCount), defs_(defs), mark_(formulas.size(), Mark::New) {}

    std::vector<int> run(std::vector<DefinitionError>& errors)
    {
        for (std::size_t k = 0; k < formulas_.size(); ++k)
            visit(static_cast<int>(k), errors);
        return order_;
    }

private:
    enum class Mark { New, Open, Done };

    void visit(int k, std::vector<DefinitionError>& errors)
    {
        if (mark_[k] != Mark::New)
            return;
        mark_[k] = Mark::Open;
        path_.push_back(k);
        for (int slot : formulas_[k].slotsUsed()) {
            const int used = slot - inputs_;
            if (used < 0)
                continue;
            if (mark_[used] == Mark::Open)
                refuseCycle(used, errors);
            else
                visit(used, errors);
        }
        path_.pop_back();
        mark_[k] = Mark::Done;
        order_.push_back(k);
    }

    void refuseCycle(int first, std::vector<DefinitionError>& errors)
    {
        const auto from = std::find(path_.begin(), path_.end(), first);
        QStringList names;
        for (auto it = from; it != path_.end(); ++it)
            names << defs_[*it].name;
        const QString message = names.size() == 1
            ? QStringLiteral("'%1' uses itself").arg(names[0])
            : QStringLiteral("%1 use each other in a cycle").arg(names.join(QStringLiteral(", ")));
        for (auto it = from; it != path_.end(); ++it) {
            const int next = it + 1 == path_.end() ? first : *(it + 1);
            errors.push_back({defs_[*it].name, {formulas_[*it].positionOfSlot(next + inputs_), message}});
        }
    }

    const std::vector<Formula>& formulas_;
    int inputs_;
    const std::vector<ChannelDefinition>& defs_;
    std::vector<Mark> mark_;
    std::vector<int> path_, order_;
};

}   // namespace

ChannelPlan ChannelPlan::make(const QStringList& inputs, const std::vector<ChannelDefinition>& channels,
                              const std::map<QString, Unit>& knownUnits, std::vector<DefinitionError>* errorsOut)
{
    std::vector<DefinitionError> errors;
    QSet<QString> seen;
    if (inputs.isEmpty())
        errors.push_back({QString(), {0, QStringLiteral("a session needs at least one input")}});
    if (inputs.size() > kMaxInputs)
        errors.push_back({QString(), {0, QStringLiteral("a session takes at most %1 inputs").arg(kMaxInputs)}});
    QStringList names = inputs;
    for (const QString& name : inputs)
        checkName(name, seen, errors);
    for (const auto& d : channels) {
        checkName(d.name, seen, errors);
        names << d.name;
    }

    std::vector<Formula> formulas;
    for (const auto& d : channels) {
        FormulaError e;
        formulas.push_back(Formula::parse(d.expression, names, &e));
        if (!formulas.back().valid())
            errors.push_back({d.name, e});
    }
    const std::vector<int> order = errors.empty() ? Ordering(formulas, inputs.size(), channels).run(errors)
                                                  : std::vector<int>();

    ChannelPlan plan;
    plan.inputs_ = inputs;
    std::vector<std::optional<Unit>> units;
    for (const QString& name : inputs) {
        const auto known = knownUnits.find(name);
        units.push_back(known == knownUnits.end() ? std::nullopt : std::optional<Unit>(known->second));
    }
    QStringList slotNames = inputs;
    for (int k : order)
        slotNames << channels[k].name;
    for (std::size_t k = 0; errors.empty() && k < order.size(); ++k) {
        const auto& d = channels[order[k]];
        Channel c{d.name, d.expression, Formula::parse(d.expression, slotNames, nullptr), 0, std::nullopt};
        FormulaError e;
        c.unit = c.formula.checkUnits(units, &e);
        if (!e.message.isEmpty())
            errors.push_back({d.name, e});
        for (int slot : c.formula.slotsUsed())
            c.inputMask |= slot < inputs.size() ? std::uint64_t(1) << slot : plan.channels_[slot - inputs.size()].inputMask;
        if (c.inputMask == 0)
            errors.push_back({d.name, {1, QStringLiteral("'%1' uses no meter: nothing would ever work it out").arg(d.name)}});
        units.push_back(c.unit);
        plan.channels_.push_back(std::move(c));
    }
    if (errorsOut)
        *errorsOut = errors;
    return errors.empty() ? plan : ChannelPlan();
}

int ChannelPlan::channelIndex(const QString& name) const
{
    for (std::size_t k = 0; k < channels_.size(); ++k)
        if (channels_[k].name == name)
            return static_cast<int>(k);
    return -1;
}

QStringList ChannelPlan::slotNames() const
{
    QStringList names = inputs_;
    for (const auto& c : channels_)
        names << c.name;
    return names;
}
