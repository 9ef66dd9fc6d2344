#include "log/log_table.h"

#include "decode/measurement_text.h"
#include "log/time_of_day.h"

#include <QHash>
#include <QVector>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Rows are kept in chunks of fixed size, so growing the table never moves the rows already
// stored and an append costs the same at any row count.
constexpr int kChunkRows = 16384;

// A short text stored inline. Times ("12:34:56") and values ("-1.234") fit; anything longer
// goes to the overflow pool and the slot keeps its index.
struct ShortText {
    static constexpr std::uint8_t kNull = 0xFF;       // NULL field
    static constexpr std::uint8_t kOverflow = 0xFE;   // bytes[0..3] = index into the overflow pool
    static constexpr int kInline = 11;                // UTF-8 bytes kept inline
    std::uint8_t tag = kNull;                         // otherwise the inline length, 0..kInline
    char bytes[kInline] = {};

    // The text is inline and plain ASCII: readers of many rows take its bytes as they are.
    bool inlineAscii() const
    {
        bool ascii = tag <= kInline;
        for (int i = 0; ascii && i < tag; ++i)
            ascii = std::uint8_t(bytes[i]) < 0x80;
        return ascii;
    }
};
static_assert(sizeof(ShortText) == 12, "inline text slot grows the table");

// Interned text ids: 0 is NULL, kSpilled means the text lies in the field's spill map (when more
// distinct texts arrive than an id can number).
using TextId = std::uint16_t;
constexpr TextId kNullId = 0;
constexpr TextId kSpilled = LogTable::kSpilledText;

struct Chunk {
    std::unique_ptr<qint32[]> no{new qint32[kChunkRows]};
    std::unique_ptr<ShortText[]> time{new ShortText[kChunkRows]};
    std::unique_ptr<ShortText[]> value{new ShortText[kChunkRows]};
    std::unique_ptr<TextId[]> function{new TextId[kChunkRows]};
    std::unique_ptr<TextId[]> unit{new TextId[kChunkRows]};
    std::unique_ptr<TextId[]> judge{new TextId[kChunkRows]};
    std::array<std::uint64_t, kChunkRows / 64> noPresent{};     // bit set = No is not NULL
    std::unique_ptr<qint32[]> nval;                            // made when a chunk gets its first NVal
    std::unique_ptr<std::uint64_t[]> nvalPresent;

    // Details of logged rows, made when a chunk gets its first one: loaded rows cost nothing.
    struct Details {
        qint64 atMs[kChunkRows];          // milliseconds since the epoch; kNoTime: none
        qint32 offsetSeconds[kChunkRows]; // the stamp's offset from UTC
        TextId rangeMode[kChunkRows];
    };
    static constexpr qint64 kNoTime = std::numeric_limits<qint64>::min();
    std::unique_ptr<Details> details;

    void makeDetails()
    {
        details = std::make_unique<Details>();
        std::fill(std::begin(details->atMs), std::end(details->atMs), kNoTime);
        std::fill(std::begin(details->rangeMode), std::end(details->rangeMode), kNullId);
    }

    static std::size_t bytes(bool withNVal, bool withDetails)
    {
        std::size_t b = sizeof(Chunk) + kChunkRows * (sizeof(qint32) + 2 * sizeof(ShortText) + 3 * sizeof(TextId));
        if (withNVal)
            b += kChunkRows * sizeof(qint32) + kChunkRows / 8;
        if (withDetails)
            b += sizeof(Details);
        return b;
    }
};

bool bitAt(const std::uint64_t* bits, int i) { return (bits[i / 64] >> (i % 64)) & 1u; }
void setBit(std::uint64_t* bits, int i, bool on)
{
    const std::uint64_t mask = std::uint64_t(1) << (i % 64);
    if (on)
        bits[i / 64] |= mask;
    else
        bits[i / 64] &= ~mask;
}

// The distinct texts of one field (function, unit or judge).
struct InternPool {
    QHash<QString, TextId> ids;
    std::vector<QString> texts{QString()};   // index 0 = NULL
    QHash<std::int64_t, QString> spilled;    // row -> text, only past 65534 distinct texts

    TextId last = kNullId;   // a field's text mostly repeats the row before's: no hashing then
                             // (never a spilled text: those are not looked up)

    TextId idFor(const QString& text, std::int64_t row)
    {
        if (text.isNull())
            return kNullId;
        if (last != kNullId && texts[last] == text)
            return last;
        const auto it = ids.constFind(text);
        if (it != ids.constEnd())
            return last = it.value();
        if (texts.size() >= kSpilled) {
            spilled.insert(row, text);
            return kSpilled;
        }
        const TextId id = TextId(texts.size());
        texts.push_back(text);
        ids.insert(text, id);
        return last = id;
    }
    QString textOf(TextId id, std::int64_t row) const
    {
        return id == kSpilled ? spilled.value(row) : texts[id];
    }
    std::size_t bytes() const
    {
        std::size_t b = 0;
        for (const QString& t : texts)
            b += sizeof(QString) + std::size_t(t.size()) * 2 + 16;   // the hash entry too, roughly
        return b + std::size_t(spilled.size()) * (sizeof(QString) + 40);
    }
};

QString cut(const QString& text)
{
    if (text.size() <= LogTable::kTextWidth)
        return text;
    // Never keep half of a character that takes two UTF-16 units: it cannot be saved.
    const bool splitsPair = text.at(LogTable::kTextWidth - 1).isHighSurrogate();
    return text.left(splitsPair ? LogTable::kTextWidth - 1 : LogTable::kTextWidth);
}

}   // namespace

struct LogTable::Columns {
    std::vector<std::unique_ptr<Chunk>> chunks;
    std::int64_t rows = 0;
    InternPool functions, units, judges;
    InternPool rangeModes;                    // of the rows' details
    std::vector<QString> overflow;            // texts too long for a slot
    std::size_t overflowBytes = 0;
    // What each unit text means, by its id, so a row's value is read without its texts.
    struct UnitKind {
        Quantity quantity = Quantity::None;
        Prefix prefix = Prefix::None;
    };
    std::vector<UnitKind> unitKinds{UnitKind()};

    void noteUnits()
    {
        while (unitKinds.size() < units.texts.size()) {
            UnitKind k;
            unitFromText(units.texts[unitKinds.size()], k.quantity, k.prefix);
            unitKinds.push_back(k);
        }
    }

    void putText(ShortText& slot, const QString& raw)
    {
        if (raw.isNull()) {
            slot.tag = ShortText::kNull;
            return;
        }
        const QString text = cut(raw);
        // Plain ASCII is by far the common case: copy it without building a byte array.
        if (text.size() <= ShortText::kInline) {
            bool ascii = true;
            for (int i = 0; i < text.size() && ascii; ++i) {
                const ushort c = text.at(i).unicode();
                ascii = c < 0x80;
                slot.bytes[i] = char(c);
            }
            if (ascii) {
                slot.tag = std::uint8_t(text.size());
                return;
            }
        }
        const QByteArray utf8 = text.toUtf8();
        if (utf8.size() <= ShortText::kInline) {
            std::memcpy(slot.bytes, utf8.constData(), std::size_t(utf8.size()));
            slot.tag = std::uint8_t(utf8.size());
            return;
        }
        const std::uint32_t index = std::uint32_t(overflow.size());
        overflow.push_back(text);
        overflowBytes += sizeof(QString) + std::size_t(text.size()) * 2;
        std::memcpy(slot.bytes, &index, sizeof index);
        slot.tag = ShortText::kOverflow;
    }

    QString getText(const ShortText& slot) const
    {
        switch (slot.tag) {
        case ShortText::kNull:
            return QString();
        case ShortText::kOverflow: {
            std::uint32_t index = 0;
            std::memcpy(&index, slot.bytes, sizeof index);
            return overflow[index];
        }
        default:
            if (slot.tag == 0)
                return QStringLiteral("");   // empty, not NULL
            return QString::fromUtf8(slot.bytes, slot.tag);
        }
    }
};

LogTable::LogTable() : d_(std::make_unique<Columns>()) {}

LogTable::~LogTable() = default;

QString LogTable::fieldName(int field)
{
    // Field names as stored in the table files; "DC/AC" holds the function, "Auto" the verdict.
    static const char* const names[FieldCount] = {"No", "Time", "DC/AC", "Value", "Unit", "Auto", "NVal"};
    if (field < 0 || field >= FieldCount)
        return QString();
    return QString::fromLatin1(names[field]);
}

int LogTable::fieldIndex(const QString& name)
{
    for (int f = 0; f < FieldCount; ++f)
        if (name.compare(fieldName(f), Qt::CaseInsensitive) == 0)
            return f;
    return -1;
}

std::int64_t LogTable::rowCount() const { return d_->rows; }

void LogTable::append(const LogRow& row)
{
    const std::int64_t index = d_->rows;
    const int at = int(index % kChunkRows);
    if (at == 0)
        d_->chunks.push_back(std::make_unique<Chunk>());
    Chunk& c = *d_->chunks.back();

    c.no[at] = row.no.value_or(0);
    setBit(c.noPresent.data(), at, row.no.has_value());
    d_->putText(c.time[at], row.time);
    d_->putText(c.value[at], row.value);
    c.function[at] = d_->functions.idFor(cut(row.function), index);
    c.unit[at] = d_->units.idFor(cut(row.unit), index);
    d_->noteUnits();
    c.judge[at] = d_->judges.idFor(cut(row.judge), index);
    if (row.nval && !c.nval) {
        c.nval.reset(new qint32[kChunkRows]);
        c.nvalPresent.reset(new std::uint64_t[kChunkRows / 64]());
    }
    if (c.nval) {
        c.nval[at] = row.nval.value_or(0);
        setBit(c.nvalPresent.get(), at, row.nval.has_value());
    }
    if (row.hasDetails() && !c.details)
        c.makeDetails();
    if (c.details) {
        Chunk::Details& d = *c.details;
        const bool stamped = row.loggedAt.isValid();
        d.atMs[at] = stamped ? row.loggedAt.toMSecsSinceEpoch() : Chunk::kNoTime;
        d.offsetSeconds[at] = stamped ? row.loggedAt.offsetFromUtc() : 0;
        d.rangeMode[at] = d_->rangeModes.idFor(cut(row.rangeMode), index);
    }
    ++d_->rows;
}

LogRow LogTable::row(std::int64_t index) const
{
    LogRow r;
    r.no = integer(index, No);
    r.time = text(index, Time);
    r.function = text(index, Function);
    r.value = text(index, Value);
    r.unit = text(index, Unit);
    r.judge = text(index, Auto);
    r.nval = integer(index, NVal);
    if (index < 0 || index >= d_->rows)
        return r;
    const Chunk& c = *d_->chunks[std::size_t(index / kChunkRows)];
    if (!c.details)
        return r;
    const int at = int(index % kChunkRows);
    const Chunk::Details& d = *c.details;
    if (d.atMs[at] != Chunk::kNoTime)
        r.loggedAt = QDateTime::fromMSecsSinceEpoch(d.atMs[at], Qt::OffsetFromUTC, d.offsetSeconds[at]);
    r.rangeMode = d_->rangeModes.textOf(d.rangeMode[at], index);
    return r;
}

QString LogTable::text(std::int64_t index, int field) const
{
    if (index < 0 || index >= d_->rows)
        return QString();
    const Chunk& c = *d_->chunks[std::size_t(index / kChunkRows)];
    const int at = int(index % kChunkRows);
    switch (field) {
    case No:
    case NVal: {
        const std::optional<qint32> v = integer(index, field);
        return v ? QString::number(*v) : QString();
    }
    case Time:
        return d_->getText(c.time[at]);
    case Value:
        return d_->getText(c.value[at]);
    case Function:
        return d_->functions.textOf(c.function[at], index);
    case Unit:
        return d_->units.textOf(c.unit[at], index);
    case Auto:
        return d_->judges.textOf(c.judge[at], index);
    default:
        return QString();
    }
}

std::optional<qint32> LogTable::integer(std::int64_t index, int field) const
{
    if (index < 0 || index >= d_->rows)
        return std::nullopt;
    const Chunk& c = *d_->chunks[std::size_t(index / kChunkRows)];
    const int at = int(index % kChunkRows);
    if (field == No)
        return bitAt(c.noPresent.data(), at) ? std::optional<qint32>(c.no[at]) : std::nullopt;
    if (field == NVal && c.nval)
        return bitAt(c.nvalPresent.get(), at) ? std::optional<qint32>(c.nval[at]) : std::nullopt;
    return std::nullopt;
}

RowValue LogTable::rowValue(std::int64_t index) const
{
    RowValue v;
    if (index < 0 || index >= d_->rows)
        return v;
    const Chunk& c = *d_->chunks[std::size_t(index / kChunkRows)];
    const int at = int(index % kChunkRows);
    v.functionId = c.function[at];
    v.unitId = c.unit[at];
    const ShortText& slot = c.value[at];
    std::optional<Measurement> m;
    if (slot.inlineAscii() && v.unitId != kSpilled) {
        const Columns::UnitKind& kind = d_->unitKinds[v.unitId];
        m = measurementFromAsciiValue(slot.bytes, slot.tag, kind.quantity, kind.prefix);
    } else {
        m = measurementFromTexts(QString(), d_->getText(slot), text(index, Unit), QString(), QString());
    }
    if (m) {
        v.overload = m->overload;
        v.number = m->isExact();
        v.base = m->base;
    }
    return v;
}

QString LogTable::functionText(std::uint16_t id) const { return d_->functions.textOf(id, -1); }

QString LogTable::unitText(std::uint16_t id) const { return d_->units.textOf(id, -1); }

std::optional<RowStamp> LogTable::stamp(std::int64_t index) const
{
    if (index < 0 || index >= d_->rows)
        return std::nullopt;
    const Chunk& c = *d_->chunks[std::size_t(index / kChunkRows)];
    const int at = int(index % kChunkRows);
    if (!c.details || c.details->atMs[at] == Chunk::kNoTime)
        return std::nullopt;
    return RowStamp{c.details->atMs[at], c.details->offsetSeconds[at]};
}

std::optional<int> LogTable::timeOfDayMs(std::int64_t index) const
{
    if (index < 0 || index >= d_->rows)
        return std::nullopt;
    const ShortText& slot = d_->chunks[std::size_t(index / kChunkRows)]->time[index % kChunkRows];
    if (slot.tag == ShortText::kNull)
        return std::nullopt;
    return slot.inlineAscii() ? ::timeOfDayMs(slot.bytes, slot.tag) : ::timeOfDayMs(d_->getText(slot));
}

void LogTable::clear()
{
    d_ = std::make_unique<Columns>();
}

void LogTable::swap(LogTable& other) { std::swap(d_, other.d_); }

std::size_t LogTable::memoryBytes() const
{
    std::size_t b = sizeof(Columns) + d_->chunks.capacity() * sizeof(void*);
    for (const auto& c : d_->chunks)
        b += Chunk::bytes(c->nval != nullptr, c->details != nullptr);
    b += d_->overflow.capacity() * sizeof(QString) + d_->overflowBytes;
    b += d_->functions.bytes() + d_->units.bytes() + d_->judges.bytes();
    b += d_->rangeModes.bytes();
    b += d_->unitKinds.capacity() * sizeof(Columns::UnitKind);
    return b;
}
