#pragma once
// Time as the program needs it: a clock that never jumps back, real sleeping, and the time of
// day for what people read (names of saved files).
#include <chrono>

namespace os {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::steady_clock::time_point now() const = 0;
    virtual void sleepFor(std::chrono::milliseconds span) = 0;
    // May jump: never use it to measure a span.
    virtual std::chrono::system_clock::time_point timeOfDay() const {
        return std::chrono::system_clock::now();
    }
};

class SteadyClock final : public Clock {
public:
    std::chrono::steady_clock::time_point now() const override;
    void sleepFor(std::chrono::milliseconds span) override;
};

}  // namespace os
