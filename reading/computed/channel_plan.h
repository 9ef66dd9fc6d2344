#pragma once
// The channels of a session: its inputs (one per meter) and its computed channels, in one name
// space, checked and put in the order they are worked out in (a channel after those it uses).
#include "reading/computed/formula.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// "NAME = EXPRESSION", the name and the expression apart.
struct ChannelDefinition {
    QString name;
    QString expression;
};

// A refused definition: the channel, the 1-based position in its expression (0: its name), and
// the message.
struct DefinitionError {
    QString channel;
    FormulaError error;
};

// Splits "p = u*i" at its first '='; std::nullopt when there is none.
std::optional<ChannelDefinition> splitDefinition(const QString& text);

class ChannelPlan {
public:
    // Checks every definition at once: names plain and used once (inputs and channels
    // together), expressions that read, known names, no cycle, units that agree where the
    // inputs' units are known (`knownUnits`, by input name; a meter that has not read is left
    // out). Definitions may come in any order. On refusal `errors` lists every fault and the
    // plan is empty.
    static ChannelPlan make(const QStringList& inputs, const std::vector<ChannelDefinition>& channels,
                            const std::map<QString, Unit>& knownUnits, std::vector<DefinitionError>* errors);

    static constexpr int kMaxInputs = 64;

    bool empty() const { return inputs_.isEmpty(); }
    const QStringList& inputs() const { return inputs_; }
    int inputIndex(const QString& name) const { return inputs_.indexOf(name); }   // -1 unknown

    struct Channel {
        QString name;
        QString expression;
        Formula formula;                  // its slots: inputs 0..n-1, then channels in order
        std::uint64_t inputMask = 0;      // the inputs it depends on, also through other channels
        std::optional<Unit> unit;         // known once its inputs' units are
    };
    // In evaluation order; channel k is slot inputs().size() + k.
    const std::vector<Channel>& channels() const { return channels_; }
    int channelIndex(const QString& name) const;   // -1 unknown
    // Every name, inputs first, then the channels in evaluation order: the formulas' slots.
    QStringList slotNames() const;

private:
    QStringList inputs_;
    std::vector<Channel> channels_;
};
