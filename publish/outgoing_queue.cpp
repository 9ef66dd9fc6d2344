#include "publish/outgoing_queue.h"

void OutgoingQueue::pushReading(OutgoingReading reading)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (capacity_ == 0) {
            ++dropped_;
            return;
        }
        if (readings_.size() >= capacity_) {
            readings_.pop_front();
            ++dropped_;
        }
        readings_.push_back(std::move(reading));
    }
    wake_.notify_one();
}

void OutgoingQueue::setRetained(const QByteArray& topic, const QByteArray& payload)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        retained_[topic] = {payload, false};
    }
    wake_.notify_one();
}

void OutgoingQueue::resendRetained()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : retained_)
            entry.second.second = false;
    }
    wake_.notify_one();
}

OutgoingQueue::Batch OutgoingQueue::take(std::size_t most)
{
    Batch batch;
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [topic, entry] : retained_) {
        if (!entry.second) {
            batch.retained.emplace_back(topic, entry.first);
            entry.second = true;
        }
    }
    while (!readings_.empty() && batch.readings.size() < most) {
        batch.readings.push_back(std::move(readings_.front()));
        readings_.pop_front();
    }
    return batch;
}

void OutgoingQueue::waitForStop(std::chrono::steady_clock::time_point until)
{
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_until(lock, until, [this] { return stop_; });
}

void OutgoingQueue::requestStop()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

bool OutgoingQueue::stopRequested() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return stop_;
}

std::uint64_t OutgoingQueue::dropped() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

void OutgoingQueue::countLost(std::uint64_t readings)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    dropped_ += readings;
}

std::size_t OutgoingQueue::readingsWaiting() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return readings_.size();
}
