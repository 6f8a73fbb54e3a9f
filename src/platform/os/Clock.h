#pragma once
// Time as the program needs it: a clock that never jumps back, and real sleeping.
#include <chrono>

namespace os {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::steady_clock::time_point now() const = 0;
    virtual void sleepFor(std::chrono::milliseconds span) = 0;
};

class SteadyClock final : public Clock {
public:
    std::chrono::steady_clock::time_point now() const override;
    void sleepFor(std::chrono::milliseconds span) override;
};

}  // namespace os
