#pragma once
// When the bytes of one delivery from a port arrived. The driver takes bytes in as they come,
// before its poll hands them on, so a poll's bytes may have come at different times: a frame's
// time is the time its last byte came, not the time of the poll.
#include <QDateTime>

#include <vector>

struct ByteArrivals {
    struct Batch {
        int bytes = 0;    // consecutive bytes that came together
        QDateTime at;     // when they came
    };
    std::vector<Batch> batches;   // in the order of the bytes; empty: not known
};
