#pragma once
// One piece of work on a thread of its own, its result taken later by the thread that started
// it (the window's, at its timer's tick). The work must bring everything it touches: it may
// outlive its starter, finishing into a result nobody reads.
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace site {

template <class T>
class Background {
  public:
    // What the work ended with: its result, or why it threw.
    struct Outcome {
        std::optional<T> value;
        std::string error;
    };

    // `leaveAfter`: how long the destructor waits for work that still runs before it leaves
    // the thread to end on its own.
    explicit Background(std::chrono::milliseconds leaveAfter) : leaveAfter_(leaveAfter) {}
    ~Background() { leave(); }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    // A second start before the first was taken leaves the first to end on its own.
    void start(std::function<T()> work) {
        leave();
        state_ = std::make_shared<State>();
        thread_ = std::thread([state = state_, work = std::move(work)] {
            Outcome outcome;
            try {
                outcome.value = work();
            } catch (const std::exception& error) {
                outcome.error = error.what();
            } catch (...) {
                outcome.error = "an unknown error";
            }
            {
                std::lock_guard lock(state->mutex);
                state->outcome = std::move(outcome);
            }
            state->ended.notify_all();
        });
    }

    // True from start until the outcome was taken.
    bool busy() const { return state_ != nullptr; }

    // The outcome once the work has ended, waiting up to `wait` for it; nothing while it runs
    // (or when none was started).
    std::optional<Outcome> take(std::chrono::milliseconds wait) {
        if (state_ == nullptr) return std::nullopt;
        {
            std::unique_lock lock(state_->mutex);
            if (!state_->ended.wait_for(lock, wait, [this] { return state_->outcome.has_value(); }))
                return std::nullopt;
        }
        thread_.join();
        std::optional<Outcome> outcome = std::move(state_->outcome);
        state_.reset();
        return outcome;
    }

  private:
    struct State {
        std::mutex mutex;
        std::condition_variable ended;
        std::optional<Outcome> outcome;
    };

    // Joins work that ends within the bound; later work keeps its own state alive and ends
    // into it unseen.
    void leave() {
        if (!thread_.joinable()) return;
        bool ended = false;
        {
            std::unique_lock lock(state_->mutex);
            ended = state_->ended.wait_for(lock, leaveAfter_,
                                           [this] { return state_->outcome.has_value(); });
        }
        if (ended)
            thread_.join();
        else
            thread_.detach();
        state_.reset();
    }

    std::chrono::milliseconds leaveAfter_;
    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace site
