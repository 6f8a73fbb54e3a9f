#pragma once
// Fakes of the user-interface services: a clock that moves only when told, a screen that
// counts event processing, and message boxes that record and answer from a script.
#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/os/Clock.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/ui/Screen.h"

namespace testsupport {

class FakeClock final : public os::Clock {
public:
    std::chrono::steady_clock::time_point now() const override { return now_; }
    void sleepFor(std::chrono::milliseconds span) override { now_ += span; }
    void advance(std::chrono::milliseconds span) { now_ += span; }
    // 2026-12-09 08:15:02 UTC at the start, moving with advance and sleepFor.
    std::chrono::system_clock::time_point timeOfDay() const override {
        return std::chrono::system_clock::time_point(std::chrono::seconds(1796804102)) +
               (now_ - kStart);
    }

private:
    static constexpr std::chrono::steady_clock::time_point kStart{std::chrono::hours(1000)};
    std::chrono::steady_clock::time_point now_{kStart};
};

class FakeScreen final : public ui::Screen {
public:
    ui::Pointer pointer() const override { return pointer_; }
    void setPointer(ui::Pointer pointer) override {
        pointer_ = pointer;
        pointerHistory.push_back(pointer);
    }
    void processEvents() override {
        ++eventRounds;
        if (onEvents) onEvents();
    }

    int eventRounds = 0;
    std::vector<ui::Pointer> pointerHistory;
    std::function<void()> onEvents;  // runs at each event round, e.g. to move a fake clock

private:
    ui::Pointer pointer_ = ui::Pointer::Default;
};

struct ShownMessage {
    std::string text;
    ui::MessageKind kind;
};

class ScriptedMessageBoxes final : public ui::MessageBoxes {
public:
    void showMessage(const std::string& text, ui::MessageKind kind) override {
        shown.push_back({text, kind});
    }
    // Answers from `answers` in order, then the box's default.
    int32_t ask(const std::string& text, const std::string& caption, int32_t buttons) override;

    std::vector<ShownMessage> shown;
    std::vector<std::string> asked;
    std::deque<int32_t> answers;
};

}  // namespace testsupport
