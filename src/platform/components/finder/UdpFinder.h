#pragma once
// The real finder: Discover (0x30) over UDP, in a few rounds within DiscoveryWaitMs, replies
// de-duplicated by serial number. Found controllers are reached at the address their reply came
// from, on the TCP port it names, through the general library's links.
#include "platform/components/finder/ControllerFinder.h"
#include "platform/components/finder/DiscoverySettings.h"
#include "platform/components/finder/FinderFactory.h"
#include "platform/components/finder/LinkedController.h"

namespace kvxglib {
class RealLibrary;
}

namespace components {

class UdpFinder final : public ControllerFinder {
  public:
    UdpFinder(kvxglib::RealLibrary& library, LinkPool& links, DiscoverySettings settings,
              const PortOsUpgradeSettings* upgrades = nullptr)
        : library_(library), links_(links), settings_(settings), upgrades_(upgrades) {}
    void Search() override;

  private:
    kvxglib::RealLibrary& library_;
    LinkPool& links_;
    DiscoverySettings settings_;
    const PortOsUpgradeSettings* upgrades_;
};

class UdpFinderFactory final : public FinderFactory {
  public:
    explicit UdpFinderFactory(kvxglib::RealLibrary& library) : library_(library) {}
    // Reads the discovery settings afresh for every finder.
    std::unique_ptr<ControllerFinder> CreateFinder() override;

    // How the found controllers run a Port OS upgrade.
    PortOsUpgradeSettings upgrades;

  private:
    kvxglib::RealLibrary& library_;
    LinkPool links_;
};

}  // namespace components
