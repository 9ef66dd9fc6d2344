#include "app/recorder_channels.h"

#include "app/meters_controller.h"
#include "ui/recorder_window.h"

RecorderChannels::RecorderChannels(MetersController& meters, RecorderWindow& window) : meters_(meters), window_(window)
{
    catchUp_.setInterval(0);
    connect(&catchUp_, &QTimer::timeout, this, [this] { catchUpSlice(); });
    connect(&meters_, &MetersBoard::metersChanged, this, [this] { follow(); });
    follow();
}

RecorderChannels::~RecorderChannels()
{
    for (const auto& w : wires_)
        disconnect(w);
}

RecorderChannels::Channel* RecorderChannels::find(const QString& name)
{
    for (Channel& c : channels_)
        if (c.name == name)
            return &c;
    return nullptr;
}

void RecorderChannels::follow()
{
    for (const auto& w : wires_)
        disconnect(w);
    wires_.clear();
    MeterSession* session = meters_.session();
    // A channel kept by name and table keeps its summary; the others start again.
    std::vector<Channel> kept;
    const auto take = [&](const QString& name, const LogTable& table) {
        Channel* old = session == session_ ? find(name) : nullptr;
        if (old && old->table == &table)
            kept.push_back(std::move(*old));
        else
            kept.push_back({name, &table, std::make_unique<RunSummary>(table)});
    };
    if (session) {
        for (int k = 1; k < session->inputCount(); ++k)
            take(session->input(k).name(), session->input(k).pipeline().table());
        for (int c = 0; c < session->channelCount(); ++c)
            take(session->channel(c).channel(), session->channel(c).table());
    }
    // Nothing refers to the summaries while they are replaced.
    window_.setTraces(meters_.specs().front().name, {});
    channels_ = std::move(kept);
    session_ = session;
    if (session) {
        wires_.push_back(connect(session, &QObject::destroyed, this, [this] {
            // The tables go with the session: nothing may draw them from now on.
            session_ = nullptr;
            catchUp_.stop();
            window_.setTraces(meters_.specs().front().name, {});
            channels_.clear();
        }));
        wires_.push_back(connect(session, &MeterSession::rowLogged, this, [this](const QString& name, const LogRow&) {
            if (Channel* c = find(name)) {
                c->summary->rowsAppended();
                window_.rowsChanged();
            }
        }));
        wires_.push_back(connect(session, &MeterSession::linkStateChanged, this, [this](int input, LinkState state) {
            if (state != LinkState::Silent && state != LinkState::Lost)
                return;
            if (Channel* c = find(session_->input(input).name()))
                c->summary->markBreak();
        }));
    }
    handOver();
    catchUp_.start();
}

void RecorderChannels::handOver()
{
    std::vector<RecorderTrace> traces;
    for (const Channel& c : channels_)
        traces.push_back({c.name, c.summary.get(), c.table});
    window_.setTraces(meters_.specs().front().name, std::move(traces));
}

void RecorderChannels::catchUpSlice()
{
    bool done = true;
    for (Channel& c : channels_)
        done = c.summary->catchUp(kCatchUpRows) && done;
    if (done)
        catchUp_.stop();
    window_.rowsChanged();
}
