#include "site/SiteRun.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <map>

namespace site {

class SiteRun::Context final : public RowContext {
  public:
    Context(SiteRun& run, size_t row, ControllerReport& report)
        : run_(run), row_(row), report_(report) {}

    void progress(double zeroToOne) override {
        run_.post({row_, step, std::clamp(zeroToOne, 0.0, 1.0) * 100.0, ""});
    }
    void message(const std::string& text) override {
        report_.messages.push_back(text);
        run_.post({row_, step, -1, text});
    }
    bool cancelled() const override { return run_.cancelled_; }

    std::string step = "connect";

  private:
    SiteRun& run_;
    size_t row_;
    ControllerReport& report_;
};

std::vector<std::vector<size_t>> lanesOf(const Plan& plan) {
    std::vector<std::vector<size_t>> lanes;
    std::map<std::string, size_t> byLink;
    for (size_t i = 0; i < plan.rows.size(); ++i) {
        const std::string& link = plan.rows[i].link;
        if (link.empty()) {
            lanes.push_back({i});
            continue;
        }
        const auto [it, added] = byLink.emplace(link, lanes.size());
        if (added) lanes.emplace_back();
        lanes[it->second].push_back(i);
    }
    return lanes;
}

SiteRun::SiteRun(Plan plan, SiteOptions options, StepsFactory steps)
    : plan_(std::move(plan)), options_(std::move(options)), steps_(std::move(steps)) {
    report_.plan = plan_.file;
    for (const PlanRow& row : plan_.rows) report_.rows.push_back(reportFor(row));
    lanes_ = lanesOf(plan_);
}

SiteRun::~SiteRun() {
    cancel();
    for (std::thread& worker : workers_)
        if (worker.joinable()) worker.join();
}

void SiteRun::start() {
    const size_t count = std::min(lanes_.size(), static_cast<size_t>(std::max(options_.jobs, 1)));
    workersLeft_ = count;
    for (size_t i = 0; i < count; ++i) workers_.emplace_back([this] { work(); });
}

void SiteRun::cancel() { cancelled_ = true; }

bool SiteRun::wait(std::vector<SiteEvent>& events, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, timeout, [this] { return !events_.empty() || workersLeft_ == 0; });
    const bool had = !events_.empty();
    while (!events_.empty()) {
        events.push_back(std::move(events_.front()));
        events_.pop_front();
    }
    if (workersLeft_ != 0 || had) return true;
    lock.unlock();
    for (std::thread& worker : workers_)
        if (worker.joinable()) worker.join();
    report_.interrupted = cancelled_;
    return false;
}

bool SiteRun::allSucceeded() const {
    return std::all_of(report_.rows.begin(), report_.rows.end(),
                       [](const ControllerReport& r) { return r.result == RowResult::Succeeded; });
}

void SiteRun::post(SiteEvent event) {
    {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    arrived_.notify_all();
}

void SiteRun::work() {
    for (;;) {
        size_t lane = 0;
        {
            std::lock_guard lock(mutex_);
            if (nextLane_ == lanes_.size()) break;
            lane = nextLane_++;
        }
        for (size_t row : lanes_[lane]) {
            if (!cancelled_) {
                runRow(row);
                continue;
            }
            // Every row stays in the report, saying it was not reached.
            const std::string text = "not started: the run was stopped";
            report_.rows[row].messages.push_back(text);
            post({row, "done", -1, text});
        }
    }
    {
        std::lock_guard lock(mutex_);
        --workersLeft_;
    }
    arrived_.notify_all();
}

void SiteRun::runRow(size_t index) {
    const PlanRow& row = plan_.rows[index];
    ControllerReport& report = report_.rows[index];
    Context context(*this, index, report);
    const auto started = options_.now();
    report.start = timeText(started);
    post({index, "connect", 0, ""});

    bool ok = false;
    bool loaded = false;
    bool verified = false;
    try {
        std::unique_ptr<ControllerSteps> steps = steps_(row, context);
        using Step = bool (ControllerSteps::*)(ControllerReport&);
        struct Planned {
            const char* name;
            Step step;
            bool wanted;
        };
        const Planned planned[] = {
            {"connect", &ControllerSteps::connect, true},
            {"backup", &ControllerSteps::backup, options_.backup},
            {"upgrade-os", &ControllerSteps::upgradeOs, true},
            {"load", &ControllerSteps::load, true},
            {"verify", &ControllerSteps::verify, true},
            {"change-address", &ControllerSteps::changeAddress, row.newAddress.has_value()},
            {"load-settings", &ControllerSteps::loadSettings, !row.settingsFile.empty()},
        };
        ok = true;
        for (const Planned& p : planned) {
            if (!p.wanted) continue;
            context.step = p.name;
            // Reading back changes nothing: after a complete load it runs even when stopped,
            // so that the report says what the controller holds.
            const bool readBack = p.step == &ControllerSteps::verify;
            if (context.cancelled() && !(readBack && loaded)) {
                context.message(std::string("cancelled before ") + p.name);
                ok = false;
                break;
            }
            // The row shows the step it is in, also one that reports no progress.
            post({index, p.name, -1, ""});
            const size_t told = report.messages.size();
            const bool done = ((*steps).*(p.step))(report);
            if (readBack) verified = true;
            if (!done) {
                // A row never fails without saying where.
                if (report.messages.size() == told)
                    context.message(std::string(p.name) + " failed");
                ok = false;
                break;
            }
            if (p.step == &ControllerSteps::load) loaded = true;
        }
    } catch (const std::exception& error) {
        context.message(std::string("error: ") + error.what());
        ok = false;
    }
    // The new program is on the controller, but nothing read its checksum back.
    if (loaded && !verified) context.message("loaded, not verified");
    report.result = ok                    ? RowResult::Succeeded
                    : context.cancelled() ? RowResult::Cancelled
                                          : RowResult::Failed;
    const auto ended = options_.now();
    report.end = timeText(ended);
    report.durationSeconds = std::chrono::duration<double>(ended - started).count();
    post({index, "done", -1, resultText(report.result)});
}

std::string SiteRun::timeText(std::chrono::system_clock::time_point at) const {
    const auto sinceEpoch = at.time_since_epoch();
    const std::time_t seconds =
        std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count();
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
}

}  // namespace site
