#pragma once
// Drives a window program the way a user does, through modal dialogs and message boxes: a
// queue of steps, each waiting until what it needs is on the screen and then acting. Steps run
// from a timer, so they go on inside the dialogs' own event loops.
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace guitest {

class WindowRobot {
  public:
    using Ready = std::function<bool()>;
    using Act = std::function<void()>;

    explicit WindowRobot(std::string shotFolder = {});

    // Queues a step: once `ready` holds, `act` runs (later steps wait until it has begun).
    void then(std::string what, Ready ready, Act act);
    // Queues a step that acts as soon as the previous steps have.
    void then(std::string what, Act act) { then(std::move(what), [] { return true; }, act); }
    // Queues: once the message box showing `text` is up, note it and press `button`.
    void answerBox(const std::string& text, QMessageBox::StandardButton button = QMessageBox::Ok);

    // Runs the queue until it is empty; false (and a test failure naming the step, with a
    // screenshot when a folder was given) when a step waits longer than `limit`.
    bool run(std::chrono::milliseconds limit = std::chrono::seconds(30));

    // The texts of every message box answered so far.
    const std::vector<std::string>& boxes() const { return boxes_; }
    // The icon of each answered box, beside its text: news is never shown as a failure.
    const std::vector<QMessageBox::Icon>& boxIcons() const { return boxIcons_; }
    // Saves a picture of every visible window as <folder>/<name>-<window>.png.
    void screenshot(const std::string& name) const;

  private:
    struct Step {
        std::string what;
        Ready ready;
        Act act;
    };
    void tick();
    // After a step waited too long: closes every dialog so that the steps still acting return.
    void unwind();

    std::string shotFolder_;
    std::deque<Step> steps_;
    std::vector<std::string> boxes_;
    std::vector<QMessageBox::Icon> boxIcons_;
    QTimer timer_;
    std::chrono::steady_clock::time_point waitingSince_;
    std::chrono::milliseconds limit_{0};
    std::string stuckAt_;
    int acting_ = 0;
};

// The visible top-level dialog whose object name is `name`, or null.
QDialog* shownDialog(const char* name);
// The visible message box, or null.
QMessageBox* shownMessageBox();

}  // namespace guitest
