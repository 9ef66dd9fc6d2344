#pragma once
// The recorder's further channels: every other meter and every computed channel of the
// Meters window's session, each with a min/max summary of its own table kept as it logs (a
// table restored or kept from before is summarised a slice at a time from the event loop),
// and a break in a meter's line when its link went silent or was lost. Handed to the recorder
// again whenever the meters or channels change.
#include "log/run_summary.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

class LogTable;
class MeterSession;
class MetersController;
class RecorderWindow;

class RecorderChannels : public QObject {
public:
    static constexpr std::int64_t kCatchUpRows = 100000;   // rows summarised per pass

    // Both outlive this.
    RecorderChannels(MetersController& meters, RecorderWindow& window);
    ~RecorderChannels() override;

private:
    struct Channel {
        QString name;
        const LogTable* table;
        std::unique_ptr<RunSummary> summary;
    };
    void follow();
    void handOver();
    void catchUpSlice();
    Channel* find(const QString& name);

    MetersController& meters_;
    RecorderWindow& window_;
    MeterSession* session_ = nullptr;
    std::vector<Channel> channels_;
    std::vector<QMetaObject::Connection> wires_;   // to the session followed
    QTimer catchUp_;
};
