#pragma once
// What a journal holds, read from a copy of its files: a journal whose owner still has it open
// is in use and is not read, and a copy is what the next start would find after a kill.
#include "log/journal/journal_store.h"
#include "log/record_events.h"

#include <QFile>
#include <QTemporaryDir>

#include <vector>

// `events`, when given, gets the journal's events.
inline std::vector<LogRow> journalRows(const QString& path, JournalSummary* summary = nullptr,
                                       RecordEvents* events = nullptr)
{
    QTemporaryDir copy;
    const QString copied = copy.filePath(QStringLiteral("journal.sqlite"));
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::copy(path + QLatin1String(suffix), copied + QLatin1String(suffix));
    std::vector<LogRow> rows;
    const JournalSummary s = readJournal(
        copied,
        [&](const LogRow& r) {
            rows.push_back(r);
            return true;
        },
        events);
    if (summary)
        *summary = s;
    return rows;
}
