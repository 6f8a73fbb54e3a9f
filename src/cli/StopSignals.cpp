#include "cli/StopSignals.h"

#include <atomic>

namespace cli {
namespace {

std::atomic<bool> stopAsked{false};
constexpr int kSignals[] = {SIGINT, SIGHUP, SIGTERM, SIGPIPE};

}  // namespace

StopSignals::StopSignals() {
    stopAsked = false;
    struct sigaction ask {};
    ask.sa_handler = [](int) { stopAsked = true; };
    ask.sa_flags = SA_RESTART;
    sigemptyset(&ask.sa_mask);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int i = 0; i < 4; ++i)
        sigaction(kSignals[i], kSignals[i] == SIGPIPE ? &ignore : &ask, &saved_[i]);
}

StopSignals::~StopSignals() {
    for (int i = 0; i < 4; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
}

bool StopSignals::asked() { return stopAsked; }

}  // namespace cli
