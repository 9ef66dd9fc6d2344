// The XML packet loader on any file contents. A load is all or nothing: refused, the table is
// exactly as it was; accepted, it holds the packet's rows only. The fast row scanner and the
// general XML reader must agree on every file, and what loads must save and load again to the
// same rows and then to the same bytes.
//
// Input: the file. An input of odd length is loaded into a table that already holds rows.
#include "fuzz_check.h"
#include "table_rows.h"

#include "log/files/table_files.h"
#include "log/files/table_xml_packet.h"

#include <QFile>

namespace {

// Texts an XML 1.0 attribute can carry.
bool xmlCanHold(const std::vector<LogRow>& rows)
{
    for (const LogRow& row : rows)
        for (const QString* t : {&row.time, &row.function, &row.value, &row.unit, &row.judge})
            for (qsizetype i = 0; i < t->size(); ++i) {
                const char16_t c = t->at(i).unicode();
                if ((c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D) || c == 0xFFFE || c == 0xFFFF)
                    return false;
                if (t->at(i).isSurrogate())
                    return false;   // pairs are checked by the text target; keep this one simple
            }
    return true;
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString file = fuzzScratchFile(QStringLiteral("table.xml"));
    fuzzWriteFile(file, data, size);
    const QString where = QStringLiteral("file \"%1\"")
                              .arg(fuzzShow(QString::fromLatin1(reinterpret_cast<const char*>(data), int(std::min<size_t>(size, 600)))));
    const int known = int(size % 2) * 2;

    LogTable table;
    fillKnownRows(table, known);
    const std::vector<LogRow> before = rowsOf(table);
    const FileOutcome outcome = LoadTableFile(file, table);
    const std::vector<LogRow> after = rowsOf(table);

    // The general reader has the last word; the fast path must never differ from it.
    LogTable general;
    fillKnownRows(general, known);
    const bool generalOk = loadTableXmlGeneral(file, general);
    const std::vector<LogRow> generalRows = rowsOf(general);
    FUZZ_CHECK(generalOk == outcome.ok, where + QStringLiteral("\nfast %1, general %2").arg(outcome.ok).arg(generalOk));
    FUZZ_CHECK(generalRows == after, where + "\n" + rowDifference(after, generalRows));

    if (!outcome.ok) {
        FUZZ_CHECK(outcome.show == FileOutcome::Show::Error && outcome.text == QLatin1String("Failed to Load File!"),
                   where);
        FUZZ_CHECK(after == before, where + "\n" + rowDifference(after, before));
        return 0;
    }
    FUZZ_CHECK(outcome.show == FileOutcome::Show::Nothing, where);
    for (const LogRow& r : after)
        for (const QString* t : {&r.time, &r.function, &r.value, &r.unit, &r.judge})
            FUZZ_CHECK(t->size() <= LogTable::kTextWidth, where + " " + showRow(r));

    if (!xmlCanHold(after))
        return 0;
    // Saved and loaded again: the same rows; saved once more: the same file.
    const QString resaved = fuzzScratchFile(QStringLiteral("resaved.xml"));
    QString error;
    FUZZ_CHECK(saveTableXml(table, resaved, &error), error);
    LogTable again;
    fillKnownRows(again, 3);
    FUZZ_CHECK(loadTableXml(resaved, again), where + "\nsaved: " + fuzzShow(QString::fromUtf8(contents(resaved))));
    const std::vector<LogRow> againRows = rowsOf(again);
    FUZZ_CHECK(againRows == after, where + "\n" + rowDifference(againRows, after));
    const QByteArray firstSave = contents(resaved);
    FUZZ_CHECK(saveTableXml(again, resaved, &error), error);
    FUZZ_CHECK(contents(resaved) == firstSave, where);
    return 0;
}
