#include "log/journal/journal_store.h"

#include <QCoreApplication>
#include <QFile>

#include <sqlite3.h>

#include <cerrno>
#include <unistd.h>

namespace {

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS session(key TEXT PRIMARY KEY, value TEXT);"
    "CREATE TABLE IF NOT EXISTS logged_row("
    " seq INTEGER PRIMARY KEY, no INTEGER, time TEXT, function TEXT, value TEXT, unit TEXT, judge TEXT,"
    " nval INTEGER, reading REAL, range_mode TEXT, logged_at TEXT NOT NULL);";

// Version 2 keeps the unit with the meter's prefix ("kHz"); version 1 (no "schema" key) left
// kilo and mega off hertz. The columns are the same.
const char* const kSchemaVersion = "2";

const char* const kColumns = "seq, no, time, function, value, unit, judge, nval, reading, range_mode, logged_at";

// The time a row was logged, with its offset from UTC, as ISO 8601 text to the millisecond.
QString isoTime(const QDateTime& t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

void bindText(sqlite3_stmt* s, int column, const QString& text)
{
    if (text.isNull())
        sqlite3_bind_null(s, column);
    else
        sqlite3_bind_text16(s, column, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
}

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

// An open connection to a journal left on disk, for reading.
struct ReadConnection {
    sqlite3* db = nullptr;
    int rc = SQLITE_OK;
    explicit ReadConnection(const QString& path)
    {
        const QByteArray name = QFile::encodeName(path);
        // Read-write so a write-ahead log left by a killed writer is taken in; read-only
        // when the folder does not allow more.
        rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_close(db);
            db = nullptr;
            rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        }
        if (rc != SQLITE_OK) {
            sqlite3_close(db);
            db = nullptr;
        } else {
            sqlite3_busy_timeout(db, 2000);
        }
    }
    ~ReadConnection() { sqlite3_close(db); }
};

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

bool JournalStore::open(const QString& path, const QString& kind, const QDateTime& startedAt)
{
    close();
    path_ = path;
    const QByteArray name = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(name.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
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
                                " ('started_at', ?3), ('program', ?4), ('schema', ?5)",
                           -1, &s, nullptr)
        != SQLITE_OK)
        return fail(reasonOf(db_, sqlite3_errcode(db_)));
    bindText(s, 1, kind);
    sqlite3_bind_int64(s, 2, qint64(::getpid()));
    bindText(s, 3, isoTime(startedAt));
    bindText(s, 4, QCoreApplication::applicationName());
    sqlite3_bind_text(s, 5, kSchemaVersion, -1, SQLITE_STATIC);
    const int stepped = sqlite3_step(s);
    sqlite3_finalize(s);
    if (stepped != SQLITE_DONE)
        return fail(reasonOf(db_, stepped));
    const char* insert = "INSERT INTO logged_row(no, time, function, value, unit, judge, nval, reading, range_mode,"
                         " logged_at) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";
    if (sqlite3_prepare_v2(db_, insert, -1, &insert_, nullptr) != SQLITE_OK)
        return fail(reasonOf(db_, sqlite3_errcode(db_)));
    error_.clear();
    return true;
}

void JournalStore::close()
{
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    sqlite3_close(db_);
    db_ = nullptr;
}

bool JournalStore::commit(bool clearFirst, const std::vector<LogRow>& rows)
{
    if (!db_)
        return fail(QStringLiteral("the journal is not open"));
    if (!exec("BEGIN IMMEDIATE"))
        return fail(error_);
    bool ok = !clearFirst || exec("DELETE FROM logged_row");
    for (std::size_t i = 0; ok && i < rows.size(); ++i) {
        const LogRow& r = rows[i];
        sqlite3_reset(insert_);
        bindInteger(insert_, 1, r.no);
        bindText(insert_, 2, r.time);
        bindText(insert_, 3, r.function);
        bindText(insert_, 4, r.value);
        bindText(insert_, 5, r.unit);
        bindText(insert_, 6, r.judge);
        bindInteger(insert_, 7, r.nval);
        if (r.readingValue)
            sqlite3_bind_double(insert_, 8, *r.readingValue);
        else
            sqlite3_bind_null(insert_, 8);
        bindText(insert_, 9, r.rangeMode);
        bindText(insert_, 10, isoTime(r.loggedAt));
        const int rc = sqlite3_step(insert_);
        if (rc != SQLITE_DONE) {
            error_ = reasonOf(db_, rc);
            ok = false;
        }
    }
    sqlite3_reset(insert_);
    if (ok && exec("COMMIT"))
        return true;
    const QString why = error_;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return fail(why);
}

JournalSummary readJournal(const QString& path, const std::function<bool(const LogRow&)>& row)
{
    JournalSummary summary;
    ReadConnection c(path);
    if (!c.db) {
        summary.damaged = true;
        summary.error = QString::fromUtf8(sqlite3_errstr(c.rc));
        return summary;
    }
    summary.kind = sessionValue(c.db, "kind");
    summary.startedAt = QDateTime::fromString(sessionValue(c.db, "started_at"), Qt::ISODateWithMs);

    const QByteArray sql = QByteArray("SELECT ") + kColumns + " FROM logged_row WHERE seq > ? ORDER BY seq";
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(c.db, sql.constData(), -1, &s, nullptr) != SQLITE_OK) {
        summary.damaged = true;
        summary.error = QString::fromUtf8(sqlite3_errmsg(c.db));
        sqlite3_finalize(s);
        return summary;
    }
    // A damaged page ends a walk; the walk starts again past it, further each time it fails
    // without reading anything, until a few tries were made.
    qint64 last = 0;
    qint64 skip = 0;
    int tries = 0;
    bool more = true;
    while (more) {
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, last + skip);
        int rc;
        bool readAny = false;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            LogRow r;
            last = sqlite3_column_int64(s, 0);
            r.no = columnInteger(s, 1);
            r.time = columnText(s, 2);
            r.function = columnText(s, 3);
            r.value = columnText(s, 4);
            r.unit = columnText(s, 5);
            r.judge = columnText(s, 6);
            r.nval = columnInteger(s, 7);
            if (sqlite3_column_type(s, 8) != SQLITE_NULL)
                r.readingValue = sqlite3_column_double(s, 8);
            r.rangeMode = columnText(s, 9);
            r.loggedAt = QDateTime::fromString(columnText(s, 10), Qt::ISODateWithMs);
            readAny = true;
            ++summary.rows;
            if (!summary.firstLoggedAt.isValid())
                summary.firstLoggedAt = r.loggedAt;
            summary.lastLoggedAt = r.loggedAt;
            if (row && !row(r)) {
                rc = SQLITE_DONE;
                break;
            }
        }
        if (rc == SQLITE_DONE) {
            more = false;
        } else {
            summary.damaged = true;
            summary.error = QString::fromUtf8(sqlite3_errmsg(c.db));
            skip = readAny || skip == 0 ? 1 : skip * 8;
            more = ++tries < 12;
        }
    }
    sqlite3_finalize(s);
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
