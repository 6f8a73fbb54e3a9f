#pragma once
// A site run: the rows of a plan on worker threads, each with its own steps (and so its own
// program and links). Controllers reached on their own (by serial number or a TCP link) run in
// parallel, at most `jobs` at once; the stations of one serial bus share a worker and run one
// after another. A row that fails does not stop the others. Progress comes back as events that
// the caller's thread takes with `wait`.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "site/ControllerSteps.h"
#include "site/Plan.h"
#include "site/Report.h"

namespace site {

struct SiteEvent {
    size_t row = 0;       // index into the plan's rows
    std::string step;     // "connect", "backup", ...; "done" once the row ended
    double percent = -1;  // of the step; -1: none
    std::string message;  // empty for progress alone
};

// At most this many controllers at once.
constexpr int kMaxJobs = 256;

struct SiteOptions {
    int jobs = 8;
    bool backup = true;
    // The wall clock for the report's times.
    std::function<std::chrono::system_clock::time_point()> now = [] {
        return std::chrono::system_clock::now();
    };
};

// Rows of the same link (the stations of one bus) share a lane; every other row has its own.
std::vector<std::vector<size_t>> lanesOf(const Plan& plan);

class SiteRun {
  public:
    SiteRun(Plan plan, SiteOptions options, StepsFactory steps);
    // Cancels and waits for the workers.
    ~SiteRun();
    SiteRun(const SiteRun&) = delete;
    SiteRun& operator=(const SiteRun&) = delete;

    void start();
    // No new rows start; running ones stop at their next window. Any thread.
    void cancel();
    bool cancelled() const { return cancelled_; }
    // Moves the events that arrived into `events`, waiting up to `timeout` for one. False once
    // every row has ended and every event was taken.
    bool wait(std::vector<SiteEvent>& events, std::chrono::milliseconds timeout);
    // The whole report; complete once `wait` returned false.
    const Report& report() const { return report_; }
    // True when every row succeeded.
    bool allSucceeded() const;

  private:
    class Context;
    void work();
    void runRow(size_t index);
    void post(SiteEvent event);
    std::string timeText(std::chrono::system_clock::time_point at) const;

    Plan plan_;
    SiteOptions options_;
    StepsFactory steps_;
    Report report_;
    std::vector<std::vector<size_t>> lanes_;
    std::atomic<bool> cancelled_{false};

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<SiteEvent> events_;
    size_t nextLane_ = 0;
    size_t workersLeft_ = 0;
    std::vector<std::thread> workers_;
};

}  // namespace site
