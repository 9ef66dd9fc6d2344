#pragma once
// Reads the report lengths a device declares in its HID report descriptor.
#include <QtGlobal>

struct ReportDescriptorInfo {
    bool valid = false;             // false for an empty or malformed descriptor
    bool numbered = false;          // the device puts a report ID before each report
    int inputReportLength = 0;      // longest input report in bytes, one report-ID byte included
    int featureReportLength = 0;    // the same for feature reports
};

// Largest report the kernel passes through hidraw; longer declarations are malformed.
inline constexpr int kMaxHidReportBytes = 16384;

// Pure: walks the items, keeping Report Size, Report Count and Report ID (with Push/Pop)
// and adding up the bits of the Input and Feature main items per report ID.
ReportDescriptorInfo parseReportDescriptor(const quint8* data, int size);
