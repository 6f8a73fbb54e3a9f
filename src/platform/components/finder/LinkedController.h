#pragma once
// A found controller reached over the general library's TCP link: the port-settings commands
// (0x50..0x53) travel on that link to 255:30. The link is password-protected where the
// controller demands it, where it is known to use a password (ProtectedControllers.h), and
// wherever a password was given, even when the discovery reply says the controller has none
// (anyone can send that reply); a link that was to be protected is never opened plain
// instead. Passwords travel only on a protected link. A controller that proved its password
// is remembered as using one.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/components/finder/FoundController.h"
#include "platform/components/finder/PortOsTransfer.h"
#include "platform/components/finder/ProtectedControllers.h"
#include "platform/secure/Sodium.h"

namespace kvxglib {
class RealLibrary;
}

namespace components {

// How the reason begins when a password was given and what answered in the controller's place
// could not run the handshake.
inline constexpr std::string_view kAnsweredUnprotected =
    "something answered in the controller's place without the password protection it was "
    "asked for";

// Open links by "host:port", shared by every finder of one factory: a controller found again
// by a later search is reached over the link already open, so a handle the program still holds
// stays valid and links are not piled up.
using LinkPool = std::map<std::string, int32_t>;

class LinkedController final : public FoundController {
  public:
    LinkedController(kvxglib::RealLibrary& library, LinkPool& links, wire::DiscoveryReply reported,
                     std::string host, const secure::Secret& password,
                     const PortOsUpgradeSettings* upgrades = nullptr);

    bool PasswordAccepted() override;
    comm::PasswordCheck LastPasswordCheck() const override { return check_; }
    bool Connect() override;
    int32_t Handle() const override { return handle_; }
    bool LinkOk() const override { return linkOk_; }
    bool ReadPortSettings() override;
    void CheckNetwork(bool& done, bool& checked) override;
    bool NetworkFits() const override { return fits_; }
    bool EndSetup() override;
    // Refuses an invalid image, and one built for another port type before sending a byte.
    void UpgradePortOs(const PortOsImage& image, bool& ok) override;

    const std::string& host() const { return host_; }
    // Why the last operation failed, for messages.
    const std::string& why() const { return why_; }
    // Set when the discovery reply contradicts what is known of the controller.
    const std::string& warning() const { return warning_; }
    // The controller has a network password by its reply or by this machine's memory.
    bool hasPassword() const { return !claimsNoPassword(); }
    bool knownProtected() const { return known_.has(SerialNumber()); }
    // The link the controller was reached over is password-protected.
    bool sealed() const { return handle_ != 0 && sealed_; }

  private:
    bool openLink();
    // The password-protected link, 0 with why_ and check_ set; a controller that proved the
    // password is remembered as using one.
    int32_t openSealed();
    bool claimsNoPassword() const;
    // The link pool's key: the address, and whether the link is protected.
    std::string linkKey() const;
    // A password would cross the network in clear among the pending settings.
    bool pendingSecretInClear() const;
    bool run(uint8_t command, std::vector<uint8_t> payload, std::vector<uint8_t>& reply);

    kvxglib::RealLibrary& library_;
    LinkPool& links_;
    std::string host_;
    // The finder's; it outlives the controllers it found.
    const secure::Secret& password_;
    const PortOsUpgradeSettings* upgrades_;
    int32_t handle_ = 0;
    bool linkOk_ = false;
    bool fits_ = false;
    std::optional<bool> accepted_;
    ProtectedControllers known_;
    bool sealed_ = false;
    comm::PasswordCheck check_ = comm::PasswordCheck::Unreachable;
    std::string why_;
    std::string warning_;
};

}  // namespace components
