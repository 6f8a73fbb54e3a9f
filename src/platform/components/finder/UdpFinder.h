#pragma once
// The real finder: Discover (0x30) over UDP, in a few rounds within DiscoveryWaitMs, replies
// de-duplicated by serial number. Found controllers are reached at the address their reply came
// from, on the TCP port it names, through the general library's links.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/components/finder/ControllerFinder.h"
#include "platform/components/finder/DiscoverySettings.h"
#include "platform/components/finder/FinderFactory.h"
#include "platform/components/finder/LinkedController.h"
#include "platform/components/finder/Sighting.h"

namespace kvxglib {
class RealLibrary;
}

namespace components {

// What the finders of one factory heard, by serial number, and the answers they are to take
// instead of asking the network.
struct Hearing {
    std::map<std::string, Sighting> heard;
    std::optional<std::vector<Sighting>> given;
};

class UdpFinder final : public ControllerFinder {
  public:
    UdpFinder(kvxglib::RealLibrary& library, LinkPool& links, DiscoverySettings settings,
              const PortOsUpgradeSettings* upgrades = nullptr, Hearing* hearing = nullptr)
        : library_(library), links_(links), settings_(settings), upgrades_(upgrades),
          hearing_(hearing) {}
    void Search() override;

  private:
    kvxglib::RealLibrary& library_;
    LinkPool& links_;
    DiscoverySettings settings_;
    const PortOsUpgradeSettings* upgrades_;
    Hearing* hearing_;
};

class UdpFinderFactory final : public FinderFactory {
  public:
    explicit UdpFinderFactory(kvxglib::RealLibrary& library) : library_(library) {}
    // Reads the discovery settings afresh for every finder.
    std::unique_ptr<ControllerFinder> CreateFinder() override;

    // How the found controllers run a Port OS upgrade.
    PortOsUpgradeSettings upgrades;

    // Every controller its finders heard so far, the latest answer of each, in serial-number
    // order.
    std::vector<Sighting> heard() const;
    // From now on its finders ask nobody: a search lists these answers (those the serial filter
    // lets through; address criteria are not applied) as if they had just come. Whoever hands
    // them on searched once for many sessions; a link opened to one still proves who answers
    // where it can (a sealed link is bound to the serial number).
    void answerFrom(std::vector<Sighting> sightings) { hearing_.given = std::move(sightings); }

  private:
    kvxglib::RealLibrary& library_;
    LinkPool links_;
    Hearing hearing_;
};

}  // namespace components
