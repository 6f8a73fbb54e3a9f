#pragma once
// What the controller commands share: the --link, --addr and --machine options, and the
// program on the real platform with that link open and current.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "cli/CommonArgs.h"
#include "cli/Session.h"

namespace app {
struct Program;
}
namespace kvxglib {
class RealLibrary;
}

namespace cli {

struct LinkArgs {
    LinkChoice choice;
    std::string address;  // PLA:ELA; with --serial, the address the controller reports if empty
    std::string machineDir;
    uint32_t baud = 0;  // serial:PATH only; 0 = Baud of Kvxmatic.Ini
};

// Adds --link, --serial, --password-stdin, --addr, --machine and --baud to a subcommand.
void addLinkOptions(CLI::App& command, LinkArgs& args);

struct Address {
    uint8_t pla = 0;
    uint8_t ela = 0;
};
// Throws UsageError for anything but two numbers 0..255 with a colon between.
Address parseAddress(const std::string& text);

class ControllerLink {
  public:
    // Opens the link; throws UsageError for a malformed --link or --addr, LinkError when it
    // cannot open.
    ControllerLink(const LinkArgs& args, std::ostream& err);
    ~ControllerLink();
    ControllerLink(const ControllerLink&) = delete;
    ControllerLink& operator=(const ControllerLink&) = delete;

    kvxglib::RealLibrary& library();
    // The program as the window would run it: this link current, --addr the current controller.
    app::Program& program();
    int32_t handle() const { return handle_; }
    Address address() const { return address_; }
    std::string addressText() const;  // "PLA:ELA"
    const std::string& name() const { return name_; }

  private:
    std::unique_ptr<Session> session_;
    int32_t handle_ = 0;
    Address address_;
    std::string name_;
};

// --link tcp:HOST:PORT with a password, for a controller that broadcasts do not reach:
// discovery sent to HOST says which controller answers at PORT, and the link is sealed with
// the handshake bound to the serial number it reports, as with --serial; the controller is
// then known to be protected. UsageError for a link that is not tcp:IP:PORT, LinkError when
// no controller answers or the link cannot be sealed (never a plain link instead).
void connectByAddress(Session& session, const std::string& link);

// The link could not be opened; exit 1 with its text.
struct LinkError {
    std::string message;
};

// "timed out", "refused: no such variable", ... for a failed exchange.
std::string describeFailure(uint16_t code1, int8_t code2, bool started = true);
// The same from a library status word.
std::string describeStatus(int32_t status);
// True when the status says the exchange got no controller's answer at all (not started, timed
// out, link lost), rather than a refusal.
bool noAnswer(int32_t status);
// True when the exchange ended with this refusal of the controller (wire::ReplyCode).
bool refusedAs(int32_t status, uint16_t code1);

}  // namespace cli
