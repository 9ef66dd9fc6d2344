#pragma once
// The Meters window's computed channels as the user types them, "NAME = EXPRESSION" a line:
// read into definitions (where each expression starts, so that a refusal can be marked in the
// line), and previewed against the meters' latest readings.
#include "reading/computed/channel_plan.h"
#include "ui/meters_board.h"

#include <QStringList>

#include <vector>

class MeterSession;

struct ChannelLines {
    std::vector<ChannelDefinition> definitions;
    std::vector<int> lineOf;            // the line each definition came from
    std::vector<int> expressionStart;   // the index in its line where its expression starts
    int nameStart(int definition, const QStringList& lines) const;
    int lineOfChannel(const QString& name) const;
    // A line without '=' (empty lines are left out): its index, else -1.
    int unreadLine = -1;
};

ChannelLines readChannelLines(const QStringList& lines);

// Line `edited` worked out with the others: its result's value and unit from each meter's
// latest reading, or where in the line (an index) and why it is refused.
ChannelPreview previewChannel(const MeterSession& session, const QStringList& lines, int edited);

// Every fault of the lines as one message for people ("line 2, p: unknown name 'w' at 3").
QString refusalText(const ChannelLines& read, const std::vector<DefinitionError>& errors);
