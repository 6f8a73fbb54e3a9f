#pragma once
// One virtual controller: answers requests from its state. It knows nothing of links; the
// simulator hands it frames and carries out what the outcome asks for.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "platform/wire/DiscoveryPayload.h"
#include "platform/wire/Frame.h"
#include "platform/wire/TelegramPayload.h"
#include "sim/ControllerState.h"
#include "sim/Faults.h"
#include "sim/NetworkConfig.h"
#include "sim/PasswordGuard.h"
#include "sim/PortSettings.h"
#include "sim/Transfers.h"

namespace sim {

// Reboot: away for a moment (faults.restartMs), back at the same address; a transfer's
// staging area is lost. PortTcpIp: the port restarts its TCP/IP and its links drop.
enum class Restart { None, Cool, Cold, Reboot, PortTcpIp };

struct Outcome {
    std::optional<wire::Frame> reply;  // empty: answer nothing
    bool changed = false;              // the state must be saved
    Restart restart = Restart::None;   // to carry out once the reply is on its way
    std::chrono::milliseconds delay{0};  // the reply waits this much longer (flash, slow line)
};

class Controller {
  public:
    Controller(ControllerConfig config, ControllerState state);

    const ControllerConfig& config() const { return config_; }
    const std::string& id() const { return config_.id; }
    const ControllerState& state() const { return state_; }
    wire::Address address() const { return state_.address(); }

    // True when a frame to `to` is for this controller; `direct` when it is the one attached
    // to the link (so 255:30 means it).
    bool answersAt(wire::Address to, bool direct) const;

    Outcome handle(const wire::Frame& request, const Caller& caller = {});
    // Goes back from a trial whose time is up; true when the state changed (save it).
    bool expireTrial();
    // Wall-clock milliseconds; tests put a clock of their own.
    std::function<int64_t()> wallClock;

    wire::DiscoveryReply identity(uint16_t tcpPort) const;
    // Everything on TCP but the handshake must come sealed.
    bool requiresEncryption() const;

    FaultState faults;
    PasswordGuard passwordGuard;
    Transfers transfers;
    const PortSettings& port() const { return port_; }
    // Its web server listens on `port` now (QServices.HttpPort reads it).
    void httpListening(uint16_t port);

  private:
    // The port-settings commands (0x50..0x53); defined in ControllerPort.cpp.
    static bool isPortCommand(uint8_t command);
    Outcome handlePort(const wire::Frame& request, bool sealed);
    // Once the controller has a password, a write in clear may not point the stored e-mail
    // login at another server: a changed e-mail server address, or a commit that would give
    // the port another server or login password, gets AuthRequired.
    wire::ReplyCode checkEmailWrite(const wire::WriteRequest& write, bool sealed) const;
    // A KVXreal C's port holds the e-mail settings of its last commit: those its variables
    // hold at the start.
    void syncEmailPort();
    // What a write of a commit variable sets off.
    void afterWrite(const wire::VarAddress& address);
    void coldStartPort();
    Outcome handleRequest(const wire::Frame& request, const Caller& caller);
    Outcome handleTelegram(const wire::Frame& request, const wire::TelegramRequest& telegram);
    wire::ReplyCode writeOne(const wire::WriteRequest& write, bool& moved);

    ControllerConfig config_;
    ControllerState state_;
    PortSettings port_;
    // A network password written since the last commit of the encryption settings.
    std::optional<std::string> pendingPassword_;
};

}  // namespace sim
