// The text table file on any file contents. A load is all or nothing: refused, the table is
// exactly as it was; accepted, the old rows stay in front of the new ones. Whatever loads
// must save and load again to the same rows (texts trimmed, "NULL" for an empty text, NVal
// not written), and keep the same rows through the XML packet.
//
// Input: the file. An input of odd length is loaded into a table that already holds rows.
#include "fuzz_check.h"
#include "table_rows.h"

#include "log/files/table_files.h"
#include "log/files/table_text_file.h"
#include "log/files/table_xml_packet.h"

namespace {

// What the text form keeps of a row.
LogRow savedForm(LogRow row)
{
    for (QString* t : {&row.time, &row.function, &row.value, &row.unit, &row.judge}) {
        qsizetype begin = 0, end = t->size();
        while (begin < end && t->at(begin).unicode() <= 32)
            ++begin;
        while (end > begin && t->at(end - 1).unicode() <= 32)
            --end;
        *t = begin == end ? QStringLiteral("NULL") : t->mid(begin, end - begin);
    }
    row.nval.reset();
    return row;
}

// Texts an XML 1.0 attribute can carry.
bool xmlCanHold(const LogRow& row)
{
    for (const QString* t : {&row.time, &row.function, &row.value, &row.unit, &row.judge}) {
        for (qsizetype i = 0; i < t->size(); ++i) {
            const char16_t c = t->at(i).unicode();
            if ((c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D) || c == 0xFFFE || c == 0xFFFF)
                return false;
            if (t->at(i).isHighSurrogate() && (i + 1 == t->size() || !t->at(i + 1).isLowSurrogate()))
                return false;
            if (t->at(i).isLowSurrogate() && (i == 0 || !t->at(i - 1).isHighSurrogate()))
                return false;
        }
    }
    return true;
}

int lineCount(const uint8_t* data, size_t size)
{
    int lines = size > 0 ? 1 : 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n')
            ++i;
        if ((data[i] == '\r' || data[i] == '\n') && i + 1 < size)
            ++lines;
    }
    return lines;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString file = fuzzScratchFile(QStringLiteral("table.txt"));
    fuzzWriteFile(file, data, size);
    const QString where = QStringLiteral("file %1").arg(fuzzHex(data, std::min<size_t>(size, 400)));

    LogTable table;
    fillKnownRows(table, int(size % 2) * 2);
    const std::vector<LogRow> before = rowsOf(table);
    const FileOutcome outcome = LoadTableFile(file, table);
    const std::vector<LogRow> after = rowsOf(table);

    LogTable direct;
    fillKnownRows(direct, int(size % 2) * 2);
    FUZZ_CHECK(loadTableText(file, direct) == outcome.ok, where);
    FUZZ_CHECK(rowsOf(direct) == after, where);

    if (!outcome.ok) {
        FUZZ_CHECK(outcome.show == FileOutcome::Show::Error && outcome.text == QLatin1String("Failed to Load File!"),
                   where);
        FUZZ_CHECK(after == before, where + "\n" + rowDifference(after, before));
        return 0;
    }
    FUZZ_CHECK(outcome.show == FileOutcome::Show::Nothing, where);
    FUZZ_CHECK(after.size() >= before.size() && std::equal(before.begin(), before.end(), after.begin()), where);
    const std::vector<LogRow> loaded(after.begin() + long(before.size()), after.end());
    FUZZ_CHECK(int(loaded.size()) <= std::max(0, lineCount(data, size) - 1), where);
    for (const LogRow& r : loaded)
        for (const QString* t : {&r.time, &r.function, &r.value, &r.unit, &r.judge})
            FUZZ_CHECK(t->size() <= LogTable::kTextWidth && !t->contains(QLatin1Char('\r')) && !t->contains(QLatin1Char('\n')),
                       where + " " + showRow(r));

    // Saved and loaded again: the rows as the text form keeps them, and then stable.
    LogTable first;
    FUZZ_CHECK(loadTableText(file, first), where);
    const QString resaved = fuzzScratchFile(QStringLiteral("resaved.txt"));
    QString error;
    FUZZ_CHECK(SaveTableAsText(first, resaved, &error), error);
    LogTable second;
    FUZZ_CHECK(loadTableText(resaved, second), where);
    std::vector<LogRow> expected;
    for (const LogRow& r : loaded)
        expected.push_back(savedForm(r));
    const std::vector<LogRow> secondRows = rowsOf(second);
    FUZZ_CHECK(secondRows == expected, where + "\n" + rowDifference(secondRows, expected));
    FUZZ_CHECK(SaveTableAsText(second, resaved, &error), error);
    LogTable third;
    FUZZ_CHECK(loadTableText(resaved, third) && rowsOf(third) == secondRows, where);

    // The same rows through the XML packet.
    bool representable = true;
    for (const LogRow& r : loaded)
        representable = representable && xmlCanHold(r);
    if (representable) {
        const QString packet = fuzzScratchFile(QStringLiteral("table.xml"));
        FUZZ_CHECK(saveTableXml(first, packet, &error), error);
        LogTable fromXml;
        FUZZ_CHECK(LoadTableFile(packet, fromXml).ok, where);
        const std::vector<LogRow> xmlRows = rowsOf(fromXml);
        FUZZ_CHECK(xmlRows == loaded, where + "\n" + rowDifference(xmlRows, loaded));
    }
    return 0;
}
