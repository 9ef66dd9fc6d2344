#pragma once
// How the readings of several meters are brought together into one computed value.
//   hold          a value whenever an input has a new reading, from the latest reading of each
//                 input, while none is older than the maximum age: twice the slowest input's
//                 frame period (measured from its readings), at least 0.5 s
//   hold:MAXAGE   the same with a fixed maximum age in seconds
//   mean:SECONDS  one value per interval, from the mean of each input's readings in it
#include <QString>

#include <cstdint>
#include <optional>

struct AlignmentRule {
    enum class Kind { Hold, Mean };
    Kind kind = Kind::Hold;
    std::int64_t ms = 0;        // the fixed maximum age or the interval; 0 for plain "hold"

    // "hold", "hold:0.5", "mean:10"; std::nullopt for anything else (or a time not above zero,
    // or above a day), with `message` saying why.
    static std::optional<AlignmentRule> parse(const QString& text, QString* message = nullptr);

    static constexpr std::int64_t kMinimumMaxAgeMs = 500;
    // The rule as written with every value, the maximum age in use filled in: "hold:0.5",
    // "mean:10".
    QString text(std::int64_t maxAgeMs = 0) const;
};

// Seconds as the rules write them: up to three decimals, no trailing zeros ("0.5", "10").
QString secondsText(std::int64_t ms);
