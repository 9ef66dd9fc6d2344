#include "link/hid/report_descriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {
enum ItemType { Main = 0, Global = 1, Local = 2 };

// Tags of the items that matter here.
enum MainTag { Input = 0x8, Feature = 0xB };
enum GlobalTag { ReportSize = 0x7, ReportId = 0x8, ReportCount = 0x9, Push = 0xA, Pop = 0xB };

struct GlobalState {
    quint32 reportSize = 0;
    quint32 reportCount = 0;
    quint32 reportId = 0;
};

int bytesWithId(const std::map<quint32, quint64>& bitsPerId)
{
    quint64 longest = 0;
    for (const auto& entry : bitsPerId)
        longest = std::max(longest, (entry.second + 7) / 8);
    // Unnumbered reports are handed over with a report ID of 0 in front as well.
    return longest ? static_cast<int>(longest) + 1 : 0;
}
} // namespace

ReportDescriptorInfo parseReportDescriptor(const quint8* data, int size)
{
    ReportDescriptorInfo info;
    if (!data || size <= 0)
        return info;
    GlobalState state;
    std::vector<GlobalState> stack;
    std::map<quint32, quint64> inputBits, featureBits;
    int pos = 0;
    while (pos < size) {
        const quint8 prefix = data[pos];
        if (prefix == 0xFE) {
            // Long item: size byte, tag byte, data. None of them describe reports.
            if (pos + 2 >= size)
                return info;
            pos += 3 + data[pos + 1];
            if (pos > size)
                return info;
            continue;
        }
        const int dataSize = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
        const int type = (prefix >> 2) & 0x03;
        const int tag = prefix >> 4;
        if (pos + 1 + dataSize > size)
            return info;   // item cut off
        quint32 value = 0;
        for (int i = 0; i < dataSize; ++i)
            value |= quint32(data[pos + 1 + i]) << (8 * i);
        pos += 1 + dataSize;

        if (type == Global) {
            switch (tag) {
            case ReportSize: state.reportSize = value; break;
            case ReportCount: state.reportCount = value; break;
            case ReportId:
                if (value == 0 || value > 0xFF)
                    return info;   // ID 0 is reserved for unnumbered reports
                state.reportId = value;
                info.numbered = true;
                break;
            case Push: stack.push_back(state); break;
            case Pop:
                if (stack.empty())
                    return info;
                state = stack.back();
                stack.pop_back();
                break;
            default: break;
            }
        } else if (type == Main && (tag == Input || tag == Feature)) {
            auto& bits = (tag == Input ? inputBits : featureBits)[state.reportId];
            bits += quint64(state.reportSize) * quint64(state.reportCount);
            if (bits > quint64(kMaxHidReportBytes) * 8)
                return info;
        }
    }
    info.inputReportLength = bytesWithId(inputBits);
    info.featureReportLength = bytesWithId(featureBits);
    info.valid = true;
    return info;
}
