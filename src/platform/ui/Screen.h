#pragma once
// The screen-wide services of the user interface: the mouse pointer and event processing.

namespace ui {

enum class Pointer { Default, Hourglass };

class Screen {
public:
    virtual ~Screen() = default;
    virtual Pointer pointer() const = 0;
    virtual void setPointer(Pointer pointer) = 0;
    // Runs the window events that are waiting, then returns.
    virtual void processEvents() = 0;
};

// Shows the hourglass for its lifetime and puts the saved pointer back.
class HourglassScope {
public:
    explicit HourglassScope(Screen& screen) : screen_(screen), saved_(screen.pointer()) {
        screen_.setPointer(Pointer::Hourglass);
    }
    ~HourglassScope() { screen_.setPointer(saved_); }
    HourglassScope(const HourglassScope&) = delete;
    HourglassScope& operator=(const HourglassScope&) = delete;

private:
    Screen& screen_;
    Pointer saved_;
};

}  // namespace ui
