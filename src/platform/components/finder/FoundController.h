#pragma once
// One controller found on the network. Its identity and reported settings come from the
// discovery reply; settings put on it are kept as pending changes until the link applies them
// (at `Connected`) or they are dropped. Getters show a pending value over the reported one.
// The network operations are the implementation's: real ones talk to the controller, fakes
// script them.
#include <cstdint>
#include <map>
#include <string>

#include "platform/comm/PasswordCheck.h"
#include "platform/wire/DiscoveryPayload.h"
#include "platform/wire/PortField.h"

namespace components {

using wire::PortField;
class PortOsImage;

class FoundController {
  public:
    explicit FoundController(wire::DiscoveryReply reported) : reported_(std::move(reported)) {}
    virtual ~FoundController() = default;
    FoundController(const FoundController&) = delete;
    FoundController& operator=(const FoundController&) = delete;

    // ---- identity ----
    const std::string& SerialNumber() const { return reported_.serialNumber; }
    std::string EthernetAddress() const;
    int16_t ModelNumber() const { return static_cast<int16_t>(reported_.modelNumber); }
    int16_t PLA() const { return reported_.address.pla; }
    int16_t ELA() const { return reported_.address.ela; }
    bool IsKvxrealC() const { return reported_.kvxrealC; }
    uint32_t Capabilities() const { return reported_.capabilities; }
    const std::string& PortOsRevision() const { return reported_.portOsRevision; }
    int16_t UpgradeFileNumber() const { return static_cast<int16_t>(reported_.upgradeFileNumber); }
    const wire::DiscoveryReply& reported() const { return reported_; }

    // ---- settings properties (get shows a pending put first) ----
    std::string get(PortField field) const;
    void put(PortField field, const std::string& value);
    // True when the value came from the controller beyond discovery, or was put: a secret that
    // is not known reads as empty and must not be taken for the controller's value.
    bool known(PortField field) const { return pending_.count(field) + learned_.count(field) > 0; }
    bool getFlag(PortField field) const { return get(field) == "1"; }
    void putFlag(PortField field, bool value) { put(field, value ? "1" : "0"); }
    const std::map<PortField, std::string>& pending() const { return pending_; }
    void clearPending() { pending_.clear(); }

    std::string Name() const { return get(PortField::Name); }
    std::string Description() const { return get(PortField::Description); }
    std::string IpAddress() const { return get(PortField::IpAddress); }
    std::string SubnetMask() const { return get(PortField::SubnetMask); }
    std::string DefaultGateway() const { return get(PortField::DefaultGateway); }
    std::string DnsServer1() const { return get(PortField::DnsServer1); }
    std::string DnsServer2() const { return get(PortField::DnsServer2); }
    std::string DnsName() const { return get(PortField::DnsName); }
    std::string MainComputerAddress() const { return get(PortField::MainComputerAddress); }
    bool DhcpEnabled() const { return getFlag(PortField::DhcpEnabled); }
    bool EncryptionRequired() const { return getFlag(PortField::EncryptionRequired); }

    // ---- operations ----
    // The password the finder holds proves itself to the controller (challenge-response).
    virtual bool PasswordAccepted() = 0;
    // How the controller took the last proof of the password: a wrong one is told apart from
    // a controller that takes none for now after too many.
    virtual comm::PasswordCheck LastPasswordCheck() const { return comm::PasswordCheck::Refused; }
    virtual void Select() { selected_ = true; }
    virtual void Deselect() { selected_ = false; }
    bool selected() const { return selected_; }
    // `Connected` = true: opens the link (and applies pending settings); false when it cannot.
    virtual bool Connect() = 0;
    virtual int32_t Handle() const = 0;
    virtual bool LinkOk() const = 0;
    // Fetches the settings beyond discovery (e-mail, web passwords in a sealed session) over
    // the link; false when the controller could not be asked.
    virtual bool ReadPortSettings() = 0;
    // `checked` false when the check could not be made.
    virtual void CheckNetwork(bool& done, bool& checked) = 0;
    virtual bool NetworkFits() const = 0;
    virtual bool EndSetup() = 0;
    // Loads `image` into the port and returns when the transfer has ended; `ok` only when the
    // port took the whole image. One that cannot be upgraded refuses.
    virtual void UpgradePortOs(const PortOsImage& /*image*/, bool& ok) { ok = false; }

  protected:
    // Values fetched over the link beyond what discovery reported.
    void learn(PortField field, const std::string& value) { learned_[field] = value; }

  private:
    std::string reportedText(PortField field) const;

    wire::DiscoveryReply reported_;
    std::map<PortField, std::string> learned_;
    std::map<PortField, std::string> pending_;
    bool selected_ = false;
};

// "0.0.0.0" style text of a reported address.
std::string dottedText(const wire::Ipv4& address);

}  // namespace components
