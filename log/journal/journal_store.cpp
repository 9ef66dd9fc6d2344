#include "log/journal/journal_store.h"

#include "log/journal/journal_files.h"
#include "log/log_time_text.h"
#include "log/record_events.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QUrl>

#include <sqlite3.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS session(key TEXT PRIMARY KEY, value TEXT);"
    "CREATE TABLE IF NOT EXISTS logged_row("
    " seq INTEGER PRIMARY KEY, no INTEGER, time TEXT, function TEXT, value TEXT, unit TEXT, judge TEXT,"
    " nval INTEGER, reading REAL, range_mode TEXT, logged_at TEXT NOT NULL);"
    // Added later: a journal made before it gets the table when it is next written.
    "CREATE TABLE IF NOT EXISTS event("
    " seq INTEGER PRIMARY KEY, kind TEXT NOT NULL, at_ms INTEGER, utc_offset INTEGER, channel TEXT,"
    " row_no INTEGER, rule TEXT, text TEXT);";

// Version 2 keeps the unit with the meter's prefix ("kHz"); version 1 (no "schema" key) left
// kilo and mega off hertz. The columns are the same.
const char* const kSchemaVersion = "2";

// What a reader takes of one field: a row keeps a few characters of each, so a journal built to
// hold a huge field costs no more than a normal one.
constexpr int kMaxFieldBytes = 4096;
constexpr int kFieldPrefixBytes = 256;

const char* const kColumns = "seq, no, time, function, value, unit, judge, nval, reading, range_mode, logged_at";

void bindText(sqlite3_stmt* s, int column, const QString& text)
{
    if (text.isNull())
        sqlite3_bind_null(s, column);
    else
    {
        // UTF-8, the journal's own encoding: no conversion inside SQLite for every row.
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(s, column, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
}

// One row's texts bound without a copy: plain ASCII, nearly every logged text, is narrowed
// into this buffer, which outlives the row's step; anything else goes as UTF-8 that SQLite
// copies. Reused row after row, once the row before was stepped.
class RowTexts {
public:
    void startRow() { used_ = 0; }
    void bind(sqlite3_stmt* s, int column, const QString& text)
    {
        if (!text.isNull() && used_ + text.size() <= qsizetype(sizeof buffer_) && narrow(text, buffer_ + used_)) {
            sqlite3_bind_text(s, column, buffer_ + used_, int(text.size()), SQLITE_STATIC);
            used_ += text.size();
        } else {
            bindText(s, column, text);
        }
    }

private:
    static bool narrow(const QString& text, char* out)
    {
        const ushort* c = text.utf16();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (c[i] >= 0x80)
                return false;
            out[i] = char(c[i]);
        }
        return true;
    }

    char buffer_[512];
    qsizetype used_ = 0;
};

void bindInteger(sqlite3_stmt* s, int column, const std::optional<qint32>& value)
{
    if (value)
        sqlite3_bind_int(s, column, *value);
    else
        sqlite3_bind_null(s, column);
}

QString columnText(sqlite3_stmt* s, int column)
{
    if (sqlite3_column_type(s, column) == SQLITE_NULL)
        return QString();
    const void* text = sqlite3_column_text16(s, column);
    const int bytes = sqlite3_column_bytes16(s, column);
    return text ? QString(reinterpret_cast<const QChar*>(text), bytes / 2) : QString();
}

std::optional<qint32> columnInteger(sqlite3_stmt* s, int column)
{
    if (sqlite3_column_type(s, column) == SQLITE_NULL)
        return std::nullopt;
    return qint32(sqlite3_column_int(s, column));
}

// What a failed call means to the person whose safety copy it is.
QString reasonOf(sqlite3* db, int code)
{
    switch (code & 0xff) {
    case SQLITE_FULL: return QStringLiteral("the disk is full");
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM: return QStringLiteral("the folder cannot be written");
    default: break;
    }
    // A write the system refused: no space left, a quota, a file that may not grow further.
    const int err = db ? sqlite3_system_errno(db) : 0;
    if (err == ENOSPC || err == EFBIG || err == EDQUOT)
        return QStringLiteral("the disk is full");
    if (err == EROFS || err == EACCES)
        return QStringLiteral("the folder cannot be written");
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(code));
}

// True when a database connection holds the file: every connection keeps a shared lock on it
// while open, and its writer a stronger one. Open-file-description locks see the locks of this
// process too; asking takes none.
bool inUseElsewhere(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0x40000000;   // the database's lock bytes: pending, reserved, shared
    lock.l_len = 512;
    const bool held = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

// An open connection to a journal left on disk, for reading only: nothing of the journal, its
// write-ahead log or its shared memory is changed, and no link is followed.
//   - No write-ahead log: the database file alone holds every row, and is read as it stands.
//   - A log with its shared memory (a killed writer): both are read, neither is written.
//   - A log without its shared memory: a private copy of the two is read instead.
// A field longer than a row keeps stops the walk (SQLITE_TOOBIG) before it takes memory.
struct ReadConnection {
    sqlite3* db = nullptr;
    int rc = SQLITE_OK;
    std::unique_ptr<QTemporaryDir> snapshot;

    explicit ReadConnection(const QString& path)
    {
        if (inUseElsewhere(path)) {
            rc = SQLITE_BUSY;
            return;
        }
        const bool hasLog = QFileInfo::exists(path + QStringLiteral("-wal"));
        const bool hasShared = QFileInfo::exists(path + QStringLiteral("-shm"));
        QString target = path;
        const char* query = "?immutable=1";
        if (hasLog && hasShared) {
            query = "?mode=ro&readonly_shm=1";
        } else if (hasLog) {
            snapshot = std::make_unique<QTemporaryDir>();
            const QString copy = snapshot->filePath(QStringLiteral("journal.sqlite"));
            if (!snapshot->isValid() || !QFile::copy(path, copy)
                || !QFile::copy(path + QStringLiteral("-wal"), copy + QStringLiteral("-wal"))) {
                rc = SQLITE_CANTOPEN;
                return;
            }
            target = copy;
            query = "";
        }
        const QByteArray uri = QUrl::fromLocalFile(target).toEncoded() + query;
        const int flags = (snapshot ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_URI | SQLITE_OPEN_NOFOLLOW;
        rc = sqlite3_open_v2(uri.constData(), &db, flags, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_close(db);
            db = nullptr;
            return;
        }
        sqlite3_busy_timeout(db, 2000);
        sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxFieldBytes);
    }
    ~ReadConnection() { sqlite3_close(db); }
};

// The first bytes of one field of one row, read without loading the rest of it; the text is
// cut at a whole character. Null when the field holds no text.
QString fieldPrefix(sqlite3* db, const char* column, qint64 seq)
{
    sqlite3_blob* blob = nullptr;
    QString text;
    if (sqlite3_blob_open(db, "main", "logged_row", column, seq, 0, &blob) == SQLITE_OK) {
        QByteArray bytes(qMin(sqlite3_blob_bytes(blob), kFieldPrefixBytes), Qt::Uninitialized);
        if (sqlite3_blob_read(blob, bytes.data(), int(bytes.size()), 0) == SQLITE_OK) {
            QStringDecoder utf8(QStringDecoder::Utf8);
            text = utf8.decode(bytes);   // a character cut in half is left out
        }
    }
    sqlite3_blob_close(blob);
    return text;
}

QString sessionValue(sqlite3* db, const char* key)
{
    sqlite3_stmt* s = nullptr;
    QString value;
    if (sqlite3_prepare_v2(db, "SELECT value FROM session WHERE key = ?", -1, &s, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(s, 1, key, -1, SQLITE_STATIC);
        if (sqlite3_step(s) == SQLITE_ROW)
            value = columnText(s, 0);
    }
    sqlite3_finalize(s);
    return value;
}

} // namespace

JournalStore::~JournalStore()
{
    close();
}

bool JournalStore::fail(const QString& what)
{
    error_ = what;
    close();
    return false;
}

bool JournalStore::exec(const char* sql)
{
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        error_ = reasonOf(db_, rc);
        return false;
    }
    return true;
}

bool JournalStore::open(const QString& path, const QString& kind, const QDateTime& startedAt, const QString& channel)
{
    close();
    path_ = path;
    QString why;
    if (!makePrivateFile(path, &why))
        return fail(why);
    const QByteArray name = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(name.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (rc != SQLITE_OK)
        return fail(reasonOf(db_, rc));
    sqlite3_busy_timeout(db_, 2000);
    // Every commit reaches the disk before it counts: a power cut keeps what was committed.
    if (!exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;") || !exec(kSchema))
        return fail(error_);
    if (maxPageCount_ > 0 && !exec(QByteArray("PRAGMA max_page_count=" + QByteArray::number(maxPageCount_)).constData()))
        return fail(error_);
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, "INSERT OR REPLACE INTO session(key, value) VALUES('kind', ?1), ('pid', ?2),"
                                " ('started_at', ?3), ('program', ?4), ('schema', ?5), ('channel', ?6)",
                           -1, &s, nullptr)
        != SQLITE_OK)
        return fail(reasonOf(db_, sqlite3_errcode(db_)));
    bindText(s, 1, kind);
    sqlite3_bind_int64(s, 2, qint64(::getpid()));
    bindText(s, 3, isoTimestamp(startedAt));
    bindText(s, 4, QCoreApplication::applicationName());
    sqlite3_bind_text(s, 5, kSchemaVersion, -1, SQLITE_STATIC);
    bindText(s, 6, channel);
    const int stepped = sqlite3_step(s);
    sqlite3_finalize(s);
    if (stepped != SQLITE_DONE)
        return fail(reasonOf(db_, stepped));
    const char* insert = "INSERT INTO logged_row(no, time, function, value, unit, judge, nval, reading, range_mode,"
                         " logged_at) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";
    if (sqlite3_prepare_v2(db_, insert, -1, &insert_, nullptr) != SQLITE_OK)
        return fail(reasonOf(db_, sqlite3_errcode(db_)));
    const char* insertEvent = "INSERT INTO event(kind, at_ms, utc_offset, channel, row_no, rule, text)"
                              " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)";
    if (sqlite3_prepare_v2(db_, insertEvent, -1, &insertEvent_, nullptr) != SQLITE_OK)
        return fail(reasonOf(db_, sqlite3_errcode(db_)));
    error_.clear();
    return true;
}

void JournalStore::close()
{
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    sqlite3_finalize(insertEvent_);
    insertEvent_ = nullptr;
    sqlite3_close(db_);
    db_ = nullptr;
}

bool JournalStore::commit(bool clearFirst, const std::vector<LogRow>& rows, const std::vector<RecordEvent>& events)
{
    if (!db_)
        return fail(QStringLiteral("the journal is not open"));
    if (!exec("BEGIN IMMEDIATE"))
        return fail(error_);
    bool ok = !clearFirst || (exec("DELETE FROM logged_row") && exec("DELETE FROM event"));
    RowTexts texts;
    for (std::size_t i = 0; ok && i < rows.size(); ++i) {
        const LogRow& r = rows[i];
        sqlite3_reset(insert_);
        texts.startRow();
        bindInteger(insert_, 1, r.no);
        texts.bind(insert_, 2, r.time);
        texts.bind(insert_, 3, r.function);
        texts.bind(insert_, 4, r.value);
        texts.bind(insert_, 5, r.unit);
        texts.bind(insert_, 6, r.judge);
        bindInteger(insert_, 7, r.nval);
        if (r.readingValue)
            sqlite3_bind_double(insert_, 8, *r.readingValue);
        else
            sqlite3_bind_null(insert_, 8);
        texts.bind(insert_, 9, r.rangeMode);
        texts.bind(insert_, 10, isoTimestamp(r.loggedAt));
        const int rc = sqlite3_step(insert_);
        if (rc != SQLITE_DONE) {
            error_ = reasonOf(db_, rc);
            ok = false;
        }
    }
    sqlite3_reset(insert_);
    sqlite3_clear_bindings(insert_);   // nothing may point into the texts' buffer once it goes
    for (std::size_t i = 0; ok && i < events.size(); ++i) {
        const RecordEvent& e = events[i];
        sqlite3_reset(insertEvent_);
        bindText(insertEvent_, 1, eventKindText(e.kind));
        if (e.at.isValid()) {
            sqlite3_bind_int64(insertEvent_, 2, e.at.toMSecsSinceEpoch());
            sqlite3_bind_int(insertEvent_, 3, e.at.offsetFromUtc());
        } else {
            sqlite3_bind_null(insertEvent_, 2);
            sqlite3_bind_null(insertEvent_, 3);
        }
        bindText(insertEvent_, 4, e.channel);
        sqlite3_bind_int64(insertEvent_, 5, e.row);
        bindText(insertEvent_, 6, e.rule);
        bindText(insertEvent_, 7, e.text);
        const int rc = sqlite3_step(insertEvent_);
        if (rc != SQLITE_DONE) {
            error_ = reasonOf(db_, rc);
            ok = false;
        }
    }
    sqlite3_reset(insertEvent_);
    if (ok && exec("COMMIT"))
        return true;
    const QString why = error_;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return fail(why);
}

namespace {
enum Column { Seq, No, Time, Function, Value, Unit, Judge, Nval, ReadingColumn, RangeMode, LoggedAt, ColumnCount };
const char* const kColumnNames[ColumnCount] = {"seq",  "no",   "time",    "function",   "value",    "unit",
                                               "judge", "nval", "reading", "range_mode", "logged_at"};

LogRow rowFrom(sqlite3_stmt* s, const std::function<QString(int column)>& text)
{
    LogRow r;
    r.no = columnInteger(s, No);
    r.time = text(Time);
    r.function = text(Function);
    r.value = text(Value);
    r.unit = text(Unit);
    r.judge = text(Judge);
    r.nval = columnInteger(s, Nval);
    if (sqlite3_column_type(s, ReadingColumn) != SQLITE_NULL)
        r.readingValue = sqlite3_column_double(s, ReadingColumn);
    r.rangeMode = text(RangeMode);
    r.loggedAt = QDateTime::fromString(text(LoggedAt), Qt::ISODateWithMs);
    return r;
}

// The row after `after` when one of its fields is too long to load: numbers whole, texts cut.
// False when there is no such row or it cannot be read either.
bool cutRowAfter(sqlite3* db, qint64 after, qint64* seq, LogRow* row)
{
    // typeof() and the numbers never load a text's content.
    const char* sql = "SELECT seq, no, typeof(time), typeof(function), typeof(value), typeof(unit), typeof(judge),"
                      " nval, reading, typeof(range_mode), typeof(logged_at)"
                      " FROM logged_row WHERE seq > ? ORDER BY seq LIMIT 1";
    sqlite3_stmt* s = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK) {
        sqlite3_bind_int64(s, 1, after);
        if (sqlite3_step(s) == SQLITE_ROW) {
            found = true;
            *seq = sqlite3_column_int64(s, Seq);
            *row = rowFrom(s, [&](int column) {
                const bool isText = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(s, column))) == "text";
                return isText ? fieldPrefix(db, kColumnNames[column], *seq) : QString();
            });
        }
    }
    sqlite3_finalize(s);
    return found;
}

bool isBusy(int rc)
{
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}

std::optional<EventKind> eventKindNamed(const QString& text)
{
    for (int k = 0; k <= int(EventKind::Note); ++k)
        if (eventKindText(EventKind(k)) == text)
            return EventKind(k);
    return std::nullopt;
}

// The events in the order they were added. A journal from before events were kept has no
// table for them; a kind this version does not know, or a field too long to keep, is skipped.
// Reading stops at a damaged page: the rows are what a restore cannot do without.
std::int64_t readEvents(sqlite3* db, RecordEvents& events)
{
    sqlite3_stmt* s = nullptr;
    std::int64_t read = 0;
    if (sqlite3_prepare_v2(db, "SELECT kind, at_ms, utc_offset, channel, row_no, rule, text FROM event ORDER BY seq",
                           -1, &s, nullptr)
        == SQLITE_OK) {
        while (sqlite3_step(s) == SQLITE_ROW) {
            const std::optional<EventKind> kind = eventKindNamed(columnText(s, 0));
            if (!kind)
                continue;
            RecordEvent e;
            e.kind = *kind;
            if (sqlite3_column_type(s, 1) != SQLITE_NULL)
                e.at = QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(s, 1), Qt::OffsetFromUTC,
                                                      sqlite3_column_int(s, 2));
            e.channel = columnText(s, 3);
            e.row = sqlite3_column_int64(s, 4);
            e.rule = columnText(s, 5);
            e.text = columnText(s, 6);
            events.append(std::move(e));
            ++read;
        }
    }
    sqlite3_finalize(s);
    return read;
}

} // namespace

JournalSummary readJournal(const QString& path, const std::function<bool(const LogRow&)>& row, RecordEvents* events)
{
    JournalSummary summary;
    const auto failed = [&](int rc, sqlite3* db) {
        summary.busy = isBusy(rc);
        summary.damaged = !summary.busy;
        summary.error = summary.busy ? QStringLiteral("another program is using it")
                        : db         ? QString::fromUtf8(sqlite3_errmsg(db))
                                     : QString::fromUtf8(sqlite3_errstr(rc));
    };
    ReadConnection c(path);
    if (!c.db) {
        failed(c.rc, nullptr);
        return summary;
    }
    summary.kind = sessionValue(c.db, "kind");
    summary.channel = sessionValue(c.db, "channel");
    summary.startedAt = QDateTime::fromString(sessionValue(c.db, "started_at"), Qt::ISODateWithMs);

    const QByteArray sql = QByteArray("SELECT ") + kColumns + " FROM logged_row WHERE seq > ? ORDER BY seq";
    sqlite3_stmt* s = nullptr;
    const int prepared = sqlite3_prepare_v2(c.db, sql.constData(), -1, &s, nullptr);
    if (prepared != SQLITE_OK) {
        failed(prepared, c.db);
        sqlite3_finalize(s);
        return summary;
    }
    const auto take = [&](const LogRow& r) {
        ++summary.rows;
        if (!summary.firstLoggedAt.isValid())
            summary.firstLoggedAt = r.loggedAt;
        summary.lastLoggedAt = r.loggedAt;
        return !row || row(r);
    };
    // A damaged page ends a walk; the walk starts again past it, further each time it fails
    // without reading anything, until a few tries were made.
    qint64 last = 0;
    qint64 skip = 0;
    int tries = 0;
    bool more = true;
    while (more) {
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, last + skip);
        skip = 0;
        int rc;
        bool readAny = false;
        bool stopped = false;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            last = sqlite3_column_int64(s, Seq);
            readAny = true;
            if (!take(rowFrom(s, [s](int column) { return columnText(s, column); }))) {
                stopped = true;
                break;
            }
        }
        LogRow cut;
        if (rc == SQLITE_TOOBIG && cutRowAfter(c.db, last, &last, &cut)) {
            more = take(cut);
        } else if (rc == SQLITE_DONE || stopped) {
            more = false;
        } else if (isBusy(rc)) {
            failed(rc, c.db);
            more = false;
        } else {
            failed(rc, c.db);
            skip = readAny || tries == 0 ? 1 : qint64(1) << (3 * tries);
            more = ++tries < 12;
        }
    }
    sqlite3_finalize(s);
    if (events && !summary.busy)
        summary.events = readEvents(c.db, *events);
    return summary;
}

JournalSummary summariseJournal(const QString& path)
{
    return readJournal(path, {});
}

QString checkJournal(const QString& path)
{
    ReadConnection c(path);
    if (!c.db)
        return QString::fromUtf8(sqlite3_errstr(c.rc));
    sqlite3_stmt* s = nullptr;
    QStringList found;
    if (sqlite3_prepare_v2(c.db, "PRAGMA integrity_check", -1, &s, nullptr) != SQLITE_OK) {
        found << QString::fromUtf8(sqlite3_errmsg(c.db));
    } else {
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW)
            found << columnText(s, 0);
        if (rc != SQLITE_DONE)
            found << QString::fromUtf8(sqlite3_errmsg(c.db));
    }
    sqlite3_finalize(s);
    return found.join(QLatin1Char('\n'));
}
