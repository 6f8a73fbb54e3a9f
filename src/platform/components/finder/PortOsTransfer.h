#pragma once
// Sends a TCP/IP Port OS into a controller's port with the transfer engine (the port target:
// staged, committed only whole and with a matching checksum), then waits, bounded, for the
// port that restarts with it to answer again.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/transfer/TransferEngine.h"

namespace kvxglib {
class RealLibrary;
}
namespace os {
class Clock;
}
namespace ui {
class Screen;
}

namespace components {

class PortOsImage;

struct PortOsUpgradeSettings {
    ui::Screen* screen = nullptr;  // its events are processed while the upgrade runs
    os::Clock* clock = nullptr;    // of the wait for the port; null: the system's steady clock
    std::chrono::milliseconds returnLimit{30000};
    transfer::Tuning tuning;
    transfer::Compression compression = transfer::Compression::Auto;
    // Hears of every acknowledged window (the command line prints it).
    std::function<void(const transfer::Progress&)> progress;
    // Hears what the transfer moved once the port took the whole image.
    std::function<void(const transfer::Result&, std::size_t imageBytes)> loaded;
};

// True when the port took the whole image; `why` otherwise. A port that does not answer again
// within the limit is no failure here: whoever looks for it next finds it or not.
bool sendPortOs(kvxglib::RealLibrary& library, int32_t link, const PortOsImage& image,
                const PortOsUpgradeSettings& settings, std::string& why);

}  // namespace components
