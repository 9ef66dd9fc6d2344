#pragma once
// meter-read --recover for journals of sessions of several meters: each journal names its
// channel, so the kept rows are printed with it, summed per channel, or saved as the session
// would have saved them (one CSV with the channel column, or a table file per channel).
#include "tools/meter-read/line_output.h"
#include "tools/meter-read/meter_read_options.h"

// Whether a journal left in `folder` names a channel.
bool channelJournalsLeft(const QString& folder);

int recoverChannelJournals(const MeterReadOptions& options, const QString& folder, LineOutput& output);
