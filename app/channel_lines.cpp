#include "app/channel_lines.h"

#include "reading/computed/computed_channels.h"
#include "reading/computed/unit.h"
#include "reading/session/meter_session.h"

#include <optional>

int ChannelLines::nameStart(int definition, const QStringList& lines) const
{
    const QString& line = lines[lineOf[std::size_t(definition)]];
    int at = 0;
    while (at < line.size() && line[at].isSpace())
        ++at;
    return at;
}

int ChannelLines::lineOfChannel(const QString& name) const
{
    for (std::size_t k = 0; k < definitions.size(); ++k)
        if (definitions[k].name == name)
            return lineOf[k];
    return -1;
}

ChannelLines readChannelLines(const QStringList& lines)
{
    ChannelLines read;
    for (int k = 0; k < lines.size(); ++k) {
        const QString& line = lines[k];
        if (line.trimmed().isEmpty())
            continue;
        const std::optional<ChannelDefinition> d = splitDefinition(line);
        const int equals = int(line.indexOf(QLatin1Char('=')));
        if (!d || equals < 0) {
            if (read.unreadLine < 0)
                read.unreadLine = k;
            continue;
        }
        const int start = equals + 1;   // the expression is the rest of the line, blanks and all
        read.definitions.push_back(*d);
        read.lineOf.push_back(k);
        read.expressionStart.push_back(start);
    }
    return read;
}

namespace {

std::map<QString, Unit> knownUnits(const MeterSession& session)
{
    std::map<QString, Unit> known;
    for (int k = 0; k < session.inputCount(); ++k)
        if (session.input(k).readings() > 0)
            known[session.input(k).name()] = unitOfQuantity(session.input(k).pipeline().reading().measurement.quantity);
    return known;
}

// The channel's value from every meter's latest reading, all taken as of now.
std::optional<ComputedValue> valueNow(const MeterSession& session, ChannelPlan plan, const QString& channel)
{
    const std::int64_t now = session.nowMs();
    ComputedChannels engine(std::move(plan), AlignmentRule{}, now);
    std::optional<ComputedValue> found;
    QObject::connect(&engine, &ComputedChannels::valueComputed, [&](const ComputedValue& v) {
        if (v.channel == channel)
            found = v;
    });
    for (int k = 0; k < session.inputCount(); ++k)
        if (session.input(k).readings() > 0)
            engine.addReading(k, session.input(k).readings(), now, session.input(k).pipeline().reading().measurement);
    return found;
}

} // namespace

QString refusalText(const ChannelLines& read, const std::vector<DefinitionError>& errors)
{
    QStringList texts;
    for (const DefinitionError& e : errors) {
        const int line = read.lineOfChannel(e.channel);
        const QString where = e.error.position > 0 ? QStringLiteral(" at %1").arg(e.error.position) : QString();
        texts << QStringLiteral("line %1, %2: %3%4").arg(line + 1).arg(e.channel, e.error.message, where);
    }
    return texts.join(QStringLiteral("; "));
}

ChannelPreview previewChannel(const MeterSession& session, const QStringList& lines, int edited)
{
    ChannelPreview p;
    const ChannelLines read = readChannelLines(lines);
    if (read.unreadLine == edited) {
        p.message = QStringLiteral("write NAME = EXPRESSION");
        return p;
    }
    std::vector<DefinitionError> errors;
    ChannelPlan plan = ChannelPlan::make(session.inputNames(), read.definitions, knownUnits(session), &errors);
    int definition = -1;
    for (std::size_t k = 0; k < read.lineOf.size(); ++k)
        if (read.lineOf[k] == edited)
            definition = int(k);
    if (definition < 0)
        return p;
    const QString name = read.definitions[std::size_t(definition)].name;
    for (const DefinitionError& e : errors) {
        if (e.channel != name)
            continue;
        p.message = e.error.message;
        p.position = e.error.position > 0 ? read.expressionStart[std::size_t(definition)] + e.error.position - 1
                                           : read.nameStart(definition, lines);
        return p;
    }
    if (plan.empty()) {
        p.message = QStringLiteral("another line is refused: ") + refusalText(read, errors);
        return p;
    }
    p.accepted = true;
    const auto& unit = plan.channels()[std::size_t(plan.channelIndex(name))].unit;
    if (unit)
        p.unit = shownUnit(*unit).text;
    if (const std::optional<ComputedValue> v = valueNow(session, std::move(plan), name)) {
        if (v->valid())
            p.value = QString::number(v->shown, 'g', 6);
        else
            p.value = computedProblemText(*v);
    }
    return p;
}
