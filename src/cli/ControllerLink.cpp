#include "cli/ControllerLink.h"

#include "app/Program.h"
#include "cli/CommonArgs.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "network/ControllerLookup.h"
#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/LinkAccess.h"
#include "platform/comm/StatusWord.h"
#include "platform/components/finder/ControllerFinder.h"
#include "platform/components/finder/LinkedController.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/wire/ReplyCode.h"

namespace cli {
namespace {

// Reply code 1 out of a status word. A negative code 2 has overwritten the high byte with its
// sign, so then only the low byte is known.
uint16_t codeOneOf(int32_t status) {
    const auto code1 = static_cast<uint16_t>((status & 0xFF) |
                                             (((static_cast<uint32_t>(status) >> 16) & 0xFF) << 8));
    const auto code2 = static_cast<int8_t>((status >> 8) & 0xFF);
    return code2 < 0 ? code1 & 0xFF : code1;
}

}  // namespace

void addLinkOptions(CLI::App& command, LinkArgs& args) {
    addLinkChoiceOptions(command, args.choice);
    command.add_option("--addr", args.address,
                       "controller address PLA:ELA (255:30: the one attached); with --serial by "
                       "default the address the controller reports");
    addMachineOption(command, args.machineDir, " (time-outs, serial port)");
    command.add_option("--baud", args.baud,
                       "serial rate for serial:PATH (default: Baud of Kvxmatic.Ini)");
}

Address parseAddress(const std::string& text) {
    const auto colon = text.find(':');
    long pla = 0, ela = 0;
    if (colon == std::string::npos ||
        !parseNumber(std::string_view(text).substr(0, colon), 0, 255, pla) ||
        !parseNumber(std::string_view(text).substr(colon + 1), 0, 255, ela)) {
        throw UsageError{"address \"" + text + "\" is not PLA:ELA with numbers 0..255"};
    }
    return {static_cast<uint8_t>(pla), static_cast<uint8_t>(ela)};
}

// A password given is never dropped: where --link cannot carry it, the user is told how.
constexpr const char* kBySerial =
    "use --serial SN instead of --link to reach the controller over the network with its "
    "password, or leave out --password-stdin";

void connectByAddress(Session& session, const std::string& link) {
    app::Program& program = session.program();
    const std::string rest = link.starts_with("tcp:") ? link.substr(4) : std::string();
    const auto colon = rest.rfind(':');
    long port = 0;
    if (colon == std::string::npos || colon == 0 ||
        !parseNumber(std::string_view(rest).substr(colon + 1), 1, 65535, port)) {
        throw UsageError{
            "--password-stdin with --link needs tcp:HOST:PORT (a network password "
            "is proved over TCP only): " + std::string(kBySerial)};
    }
    const std::string host = rest.substr(0, colon);
    auto& finder = network::CreateFinder(program);
    if (!finder.IsValidAddress(host)) {
        throw UsageError{
            "--password-stdin with --link needs an IP address: discovery is sent to "
            "it to learn which controller answers there; " + std::string(kBySerial)};
    }
    finder.ClearCriteria();
    finder.AddAddress(host);
    finder.Password(program.comm.NetworkPassword);
    finder.Search();
    if (!finder.SearchProblem().empty())
        throw LinkError{"no controller could be searched for: " + finder.SearchProblem()};
    int16_t index = -1;
    for (int32_t i = 0; i < finder.Count(); ++i) {
        const auto* linked = dynamic_cast<const components::LinkedController*>(&finder.Item(i));
        if (linked != nullptr && linked->host() == host && linked->reported().tcpPort == port)
            index = static_cast<int16_t>(i);
    }
    if (index < 0) {
        throw LinkError{"no controller at " + host + " answers discovery for port " +
                        std::to_string(port) +
                        ": its serial number, which the password is "
                        "proved with, is not known"};
    }
    auto& found = finder.Item(index);
    const std::string serial = found.SerialNumber();
    const auto* linked = dynamic_cast<const components::LinkedController*>(&found);
    if (!network::ConnectFoundController(program, index)) {
        throw LinkError{"could not connect to the controller " + serial + " at " + link + ": " +
                        linked->why()};
    }
    // A password was given: the link is sealed, bound to the serial number discovery named
    // (and that controller is remembered as protected), or it is not used at all.
    const comm::ExchangeEngine* engine =
        kvxglib::linkAccess(session.library()).engine(found.Handle());
    if (engine == nullptr || !engine->carriesSecrets()) {
        throw LinkError{"the controller " + serial + " at " + link + ": " +
                        std::string(components::kAnsweredUnprotected) + "; nothing was sent"};
    }
    program.connection.CommKind = 2;
    program.connection.CurrentPLA = found.PLA();
    program.connection.CurrentELA = found.ELA();
    program.current.CurrentSN = serial;
}

ControllerLink::ControllerLink(const LinkArgs& args, std::ostream& err)
    : session_(std::make_unique<Session>(args.machineDir, err)) {
    checkLinkChoice(args.choice);
    const bool bound = args.choice.serial.empty() && args.choice.passwordStdin;
    if (args.address.empty() && args.choice.serial.empty() && !bound)
        throw UsageError{"--addr is needed with --link"};
    if (!args.address.empty()) address_ = parseAddress(args.address);
    clink::Connection& connection = session_->program().connection;
    if (bound) {
        name_ = args.choice.link;
        session_->program().comm.NetworkPassword = passwordFromStdin();
        connectByAddress(*session_, args.choice.link);
        if (args.address.empty())
            address_ = {static_cast<uint8_t>(connection.CurrentPLA),
                        static_cast<uint8_t>(connection.CurrentELA)};
    } else if (args.choice.serial.empty()) {
        name_ = args.choice.link;
        const OpenedLink opened = openLink(session_->library(), args.choice.link, args.baud);
        connection.CommKind = opened.commKind;
        connection.CurrentLink = opened.handle;
    } else {
        name_ = "the controller " + args.choice.serial;
        connectBySerial(session_->program(), args.choice);
        if (args.address.empty())
            address_ = {static_cast<uint8_t>(connection.CurrentPLA),
                        static_cast<uint8_t>(connection.CurrentELA)};
    }
    handle_ = connection.CurrentLink;
    connection.CurrentPLA = address_.pla;
    connection.CurrentELA = address_.ela;
}

std::string ControllerLink::addressText() const {
    return std::to_string(address_.pla) + ":" + std::to_string(address_.ela);
}

ControllerLink::~ControllerLink() = default;

kvxglib::RealLibrary& ControllerLink::library() { return session_->library(); }

app::Program& ControllerLink::program() { return session_->program(); }

std::string describeFailure(uint16_t code1, int8_t code2, bool started) {
    if (!started) return "the exchange could not start (the link does not open)";
    switch (static_cast<wire::ReplyCode>(code1)) {
        case wire::ReplyCode::TimedOut:
            return "no answer (timed out)";
        case wire::ReplyCode::LinkLost:
            return "the link was lost during the exchange";
        case wire::ReplyCode::NotStarted:
            return "the exchange could not start";
        case wire::ReplyCode::BadReply:
            return "the reply did not make sense";
        default:
            break;
    }
    std::string text = std::string("refused: ") + wire::replyCodeName(code1);
    if (code2 != 0) text += " (" + std::to_string(code2) + ")";
    return text;
}

std::string describeStatus(int32_t status) {
    if (status == comm::kStatusNotStarted) return describeFailure(0, 0, false);
    return describeFailure(codeOneOf(status), static_cast<int8_t>((status >> 8) & 0xFF));
}

bool noAnswer(int32_t status) {
    return status == comm::kStatusNotStarted || codeOneOf(status) >= 0xFF00;
}

bool refusedAs(int32_t status, uint16_t code1) {
    return status != comm::kStatusNotStarted && codeOneOf(status) == code1;
}

}  // namespace cli
