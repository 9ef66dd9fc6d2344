#include "publish/reconnect_backoff.h"

#include <algorithm>

std::chrono::milliseconds ReconnectBackoff::spread(std::chrono::milliseconds base)
{
    std::uniform_real_distribution<double> factor(0.8, 1.2);
    const auto ms = std::chrono::milliseconds(std::int64_t(double(base.count()) * factor(random_)));
    return std::clamp(ms, kFirst, kMost);
}

std::chrono::milliseconds ReconnectBackoff::next()
{
    const int doublings = std::min(failures_, 6);   // 2^6 s passes the most
    ++failures_;
    return spread(std::min(kMost, kFirst * (1 << doublings)));
}

std::chrono::milliseconds ReconnectBackoff::afterRefusal()
{
    failures_ = 7;
    return spread(kMost);
}
