#pragma once
// The TCP/IP port of one controller: the settings discovery reports and those waiting to take
// effect. Older ports keep applied settings pending until a cold start with the cold-start flag
// (file 250 index 32) set to 1; KVXreal C ports take their settings from the QCom variables
// when "QCom.CommitIPSettings" is written true. End of set-up restarts the port's TCP/IP.
#include <map>
#include <string>

#include "platform/wire/DiscoveryPayload.h"
#include "platform/wire/PortField.h"
#include "platform/wire/PortSettingsPayload.h"
#include "sim/NetworkConfig.h"

namespace sim {

class PortSettings {
  public:
    explicit PortSettings(const ControllerConfig& config);

    std::string get(wire::PortField field) const;
    void set(wire::PortField field, const std::string& value) { now_[field] = value; }
    // Fills the reported fields of a discovery identity.
    void report(wire::DiscoveryReply& identity) const;

    // What 0x50 answers: the settings beyond discovery, without the network and web login
    // passwords; once the controller has a network password (`guarded`), the e-mail login
    // password only on a sealed link.
    wire::PortSettings readable(bool sealed, bool guarded) const;
    // The value `field` takes next: the pending one, else the current one.
    std::string next(wire::PortField field) const;
    void stage(const wire::PortSettings& settings);
    bool hasPending() const { return !pending_.empty(); }
    // The pending settings take effect.
    void takePending();
    // Whether `proposed` (over the current settings) suits the network: DHCP, or a usable
    // address whose gateway, when given, lies in the address's subnet.
    bool fits(const wire::PortSettings& proposed) const;

  private:
    std::map<wire::PortField, std::string> now_;
    std::map<wire::PortField, std::string> pending_;
};

}  // namespace sim
