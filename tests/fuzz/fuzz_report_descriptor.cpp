// The HID report-descriptor parser on any bytes a device may declare. Beyond staying inside
// the buffer and giving lengths within bounds, appending items with a known effect to a valid
// descriptor must change the result exactly as those items say.
//
// Input: the descriptor.
#include "fuzz_check.h"

#include "link/hid/report_descriptor.h"

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

ReportDescriptorInfo parse(const Bytes& d)
{
    // An exactly sized copy, so a read past the end is caught.
    const Bytes copy(d);
    return parseReportDescriptor(copy.empty() ? nullptr : copy.data(), int(copy.size()));
}

Bytes plus(const Bytes& d, std::initializer_list<uint8_t> items)
{
    Bytes out(d);
    out.insert(out.end(), items);
    return out;
}

bool same(const ReportDescriptorInfo& a, const ReportDescriptorInfo& b)
{
    return a.valid == b.valid && a.numbered == b.numbered && a.inputReportLength == b.inputReportLength
           && a.featureReportLength == b.featureReportLength;
}

QString show(const Bytes& d, const ReportDescriptorInfo& info)
{
    return fuzzHex(d.data(), d.size())
           + QStringLiteral(" -> valid %1 numbered %2 input %3 feature %4")
                 .arg(info.valid)
                 .arg(info.numbered)
                 .arg(info.inputReportLength)
                 .arg(info.featureReportLength);
}

void checkBounds(const Bytes& d, const ReportDescriptorInfo& info)
{
    for (int length : {info.inputReportLength, info.featureReportLength}) {
        // A report ID byte and at least one data byte, at most the largest report plus its ID.
        FUZZ_CHECK(length == 0 || (length >= 2 && length <= kMaxHidReportBytes + 1), show(d, info));
        if (!info.valid)
            FUZZ_CHECK(length == 0, show(d, info));
    }
}

// One more report item of 8 bits (Report Size 8, Report Count 1, then the main item) in the
// current report: the report grows by at most one byte, or starts with two (ID + data).
void checkOneMoreByte(const Bytes& d, const ReportDescriptorInfo& before, uint8_t mainItem)
{
    const Bytes grown = plus(d, {0x75, 0x08, 0x95, 0x01, mainItem, 0x02});
    const ReportDescriptorInfo after = parse(grown);
    checkBounds(grown, after);
    const bool input = mainItem == 0x81;
    const int old = input ? before.inputReportLength : before.featureReportLength;
    const int now = input ? after.inputReportLength : after.featureReportLength;
    const int other = input ? before.featureReportLength : before.inputReportLength;
    const int otherNow = input ? after.featureReportLength : after.inputReportLength;
    if (!after.valid) {
        // Only a report that would pass the largest size is refused.
        FUZZ_CHECK(old >= kMaxHidReportBytes, show(grown, after));
        return;
    }
    FUZZ_CHECK(after.numbered == before.numbered && otherNow == other, show(grown, after));
    FUZZ_CHECK(old == 0 ? now == 2 : (now == old || now == old + 1), show(grown, after));
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Bytes d(data, data + size);
    const ReportDescriptorInfo info = parse(d);
    checkBounds(d, info);
    FUZZ_CHECK(same(info, parse(d)), show(d, info));

    // A leading Pop with nothing pushed is malformed, whatever follows.
    Bytes popFirst{0xB4};
    popFirst.insert(popFirst.end(), d.begin(), d.end());
    FUZZ_CHECK(!parse(popFirst).valid, show(popFirst, parse(popFirst)));

    if (!info.valid)
        return 0;
    // Push then Pop, and a long item, describe nothing.
    const Bytes pushPop = plus(d, {0xA4, 0xB4});
    FUZZ_CHECK(same(info, parse(pushPop)), show(pushPop, parse(pushPop)));
    const Bytes longItem = plus(d, {0xFE, 0x02, 0x10, 0x85, 0x00});
    FUZZ_CHECK(same(info, parse(longItem)), show(longItem, parse(longItem)));
    // Report ID 0 is reserved; an item cut short is malformed.
    const Bytes idZero = plus(d, {0x85, 0x00});
    FUZZ_CHECK(!parse(idZero).valid, show(idZero, parse(idZero)));
    const Bytes cut = plus(d, {0x96, 0x01});
    FUZZ_CHECK(!parse(cut).valid, show(cut, parse(cut)));

    checkOneMoreByte(d, info, 0x81);   // Input
    checkOneMoreByte(d, info, 0xB1);   // Feature
    return 0;
}
