#include "reading/alarms/alarm_sample.h"

#include "decode/measurement_text.h"
#include "decode/reading.h"
#include "decode/unit_display.h"
#include "reading/computed/computed_value.h"
#include "reading/computed/unit.h"

AlarmSample alarmSampleOf(const Reading& reading, std::int64_t row, std::int64_t nowMs)
{
    AlarmSample s;
    s.timeMs = reading.arrivedAt.isValid() ? reading.arrivedAt.toMSecsSinceEpoch() : nowMs;
    s.overload = reading.overload();
    if (!s.overload)
        s.value = reading.measurement.base;
    s.row = row;
    s.unit = displayUnit(unitText(reading.measurement.quantity, Prefix::None));
    return s;
}

AlarmSample alarmSampleOf(const ComputedValue& value, std::int64_t row)
{
    AlarmSample s;
    s.timeMs = value.timeMs;
    s.overload = value.state == ComputedState::Overload;
    if (value.valid())
        s.value = value.valueSi;
    s.row = row;
    if (const ShownUnit shown = shownUnit(value.unit); shown.divisor == 1)
        s.unit = shown.text;
    return s;
}
