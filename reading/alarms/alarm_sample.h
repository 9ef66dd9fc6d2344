#pragma once
// A reading or a computed value as the alarm rules see it, for the window and meter-read
// alike: its number in the base unit, whether it is an overload, the channel's last row and
// the base unit's text for the event's reading.
#include "reading/alarms/alarm_monitor.h"

#include <cstdint>

struct ComputedValue;
struct Reading;

// At `nowMs` when the reading's arrival is not known.
AlarmSample alarmSampleOf(const Reading& reading, std::int64_t row, std::int64_t nowMs);
// A charge or an energy is shown in Ah or Wh, but the rules count in base units: its sample
// names no unit.
AlarmSample alarmSampleOf(const ComputedValue& value, std::int64_t row);
