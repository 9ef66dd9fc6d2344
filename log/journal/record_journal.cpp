#include "log/journal/record_journal.h"

#include "log/journal/journal_files.h"
#include "log/journal/journal_store.h"
#include "log/record_events.h"

#include <chrono>

using std::chrono::milliseconds;

RecordJournal::RecordJournal(Options options) : o_(std::move(options))
{
    startedAt_ = o_.now();
    path_ = newJournalPath(o_.folder, startedAt_);
    writer_ = std::thread([this] { run(); });
}

RecordJournal::~RecordJournal()
{
    if (held_ == 0) {
        {
            std::lock_guard<std::mutex> lk(m_);
            waiting_.clear();
            waitingEvents_.clear();
            clearWaiting_ = false;
        }
        stopWriter();
        removeJournalFiles(path_);
    } else {
        stopWriter();
    }
    lock_.reset();
}

void RecordJournal::stopWriter()
{
    {
        std::lock_guard<std::mutex> lk(m_);
        stop_ = true;
    }
    wake_.notify_all();
    if (writer_.joinable())
        writer_.join();
}

bool RecordJournal::canAdopt()
{
    std::lock_guard<std::mutex> lk(m_);
    return handed_ == 0;
}

bool RecordJournal::adopt(LeftJournal&& left, std::int64_t rows)
{
    std::lock_guard<std::mutex> lk(m_);
    // Nothing was ever handed to the writer, so it has made no file and holds no lock.
    if (handed_ != 0)
        return false;
    path_ = left.path;
    lock_ = std::move(left.lock);
    held_ = rows;
    return true;
}

void RecordJournal::rowLogged(const LogRow& row)
{
    ++held_;
    std::lock_guard<std::mutex> lk(m_);
    if (overflowed_)
        return;
    if (waiting_.size() >= o_.maxWaitingRows) {
        // Rows come faster than the disk takes them. Rather than hold ever more in memory,
        // the journal keeps what it has, without gaps, and takes nothing more until a save.
        overflowed_ = true;
        wake_.notify_one();
        return;
    }
    const bool wasIdle = waiting_.empty() && waitingEvents_.empty() && !clearWaiting_;
    waiting_.push_back(row);
    ++handed_;
    if (wasIdle)
        wake_.notify_one();
}

void RecordJournal::appendEvent(const RecordEvent& event)
{
    std::lock_guard<std::mutex> lk(m_);
    // Past the bound the log's own list keeps them; the journal takes no more until a clear.
    if (overflowed_ || waitingEvents_.size() >= o_.maxWaitingRows)
        return;
    const bool wasIdle = waiting_.empty() && waitingEvents_.empty() && !clearWaiting_;
    waitingEvents_.push_back(event);
    ++handed_;
    if (wasIdle)
        wake_.notify_one();
}

void RecordJournal::clear()
{
    held_ = 0;
    std::lock_guard<std::mutex> lk(m_);
    waiting_.clear();
    waitingEvents_.clear();
    clearWaiting_ = true;
    overflowed_ = false;
    ++handed_;
    wake_.notify_one();
}

void RecordJournal::discard()
{
    clear();
    flush();
}

bool RecordJournal::flush(int timeoutMs)
{
    std::unique_lock<std::mutex> lk(m_);
    const std::uint64_t target = handed_;
    if (committed_ >= target)
        return true;
    const std::uint64_t failures = failures_;
    hurry_ = true;
    wake_.notify_one();
    done_.wait_for(lk, milliseconds(timeoutMs), [&] { return committed_ >= target || failures_ != failures; });
    return committed_ >= target;
}

void RecordJournal::report(bool on, const QString& reason)
{
    // From the writer thread to the owner's: the signal comes where the journal lives.
    QMetaObject::invokeMethod(
        this,
        [this, on, reason] {
            on_ = on;
            emit stateChanged(on, on ? QString() : reason);
        },
        Qt::QueuedConnection);
}

void RecordJournal::run()
{
    JournalStore store;
    store.setMaxPageCount(o_.maxPageCount);
    // Emptied after each commit and handed back as the next queue, so the queue keeps its room.
    std::vector<LogRow> batch;
    std::unique_lock<std::mutex> lk(m_);
    for (;;) {
        wake_.wait(lk, [&] { return stop_ || hurry_ || clearWaiting_ || !waiting_.empty() || !waitingEvents_.empty(); });
        // Let a batch gather, unless someone waits for it.
        if (!stop_ && !hurry_)
            wake_.wait_for(lk, milliseconds(o_.batchMs), [&] { return stop_ || hurry_; });
        hurry_ = false;
        if (waiting_.empty() && waitingEvents_.empty() && !clearWaiting_) {
            if (!overflowed_)   // dropped rows never count as written
                committed_ = handed_;
            done_.notify_all();
            if (stop_)
                break;
            continue;
        }
        batch.swap(waiting_);
        std::vector<RecordEvent> events;
        events.swap(waitingEvents_);
        const bool clearFirst = clearWaiting_;
        clearWaiting_ = false;
        const std::uint64_t upTo = handed_;
        lk.unlock();

        bool ok = true;
        if (!store.isOpen()) {
            // Made when the first row comes, so a session that logs nothing leaves no file.
            QString why;
            const bool placed = makePrivateFolder(o_.folder, &why)
                                && (lock_ || (lock_ = JournalLock::take(path_, &why)));
            if (!placed && why.isEmpty())
                why = QStringLiteral("its lock is held by another program");
            if (!why.isEmpty()) {
                ok = false;
                lastError_ = why;
            } else {
                ok = store.open(path_, o_.kind, startedAt_, o_.channel);
                if (!ok)
                    lastError_ = store.error();
            }
        }
        if (ok && !(ok = store.commit(clearFirst, batch, events)))
            lastError_ = store.error();

        lk.lock();
        if (ok) {
            committed_ = upTo;
        } else {
            ++failures_;
            if (!clearWaiting_) {
                // Nothing was cleared meanwhile: the batch goes back before the newer rows.
                batch.insert(batch.end(), std::make_move_iterator(waiting_.begin()),
                             std::make_move_iterator(waiting_.end()));
                waiting_.swap(batch);
                events.insert(events.end(), std::make_move_iterator(waitingEvents_.begin()),
                              std::make_move_iterator(waitingEvents_.end()));
                waitingEvents_.swap(events);
                clearWaiting_ = clearFirst;
            }
            if (waiting_.size() > o_.maxWaitingRows) {
                // The journal keeps what it holds, without gaps, and takes nothing more until
                // the rows are saved.
                waiting_.clear();
                waitingEvents_.clear();
                overflowed_ = true;
            }
        }
        const bool on = ok && !overflowed_;
        if (ok && overflowed_)
            lastError_ = QStringLiteral("rows come faster than they can be written");
        if (on != writerOn_) {
            writerOn_ = on;
            report(on, lastError_);
        }
        batch.clear();
        done_.notify_all();
        if (stop_ && (!ok || (waiting_.empty() && waitingEvents_.empty() && !clearWaiting_)))
            break;
        if (!ok && !stop_)
            wake_.wait_for(lk, milliseconds(o_.retryMs), [&] { return stop_ || hurry_; });
    }
}

void keepEvent(RecordEvent& event, const LogTable& table, const QDateTime& now, RecordEvents& events,
               RecordJournal* journal)
{
    placeEvent(event, table, now);
    events.append(event);
    if (journal)
        journal->appendEvent(event);
}
