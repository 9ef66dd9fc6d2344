#pragma once
// What meter-read says on standard error about the broker: each change of the connection once
// (connected, unreachable and why, refused and why), the first reading dropped, and at the end
// how many readings did not reach it.
#include "publish/broker_connection.h"
#include "publish/publish_status.h"

#include <cstdio>

class ChannelPublisher;

class PublishNotice {
public:
    PublishNotice(ChannelPublisher& publisher, std::FILE* err);
    void sayEnding(const BrokerConnection::Ending& ending) const;

private:
    void said(const PublishStatus& status);

    std::FILE* err_;
    PublishStatus last_;
    bool saidOnce_ = false;
};
