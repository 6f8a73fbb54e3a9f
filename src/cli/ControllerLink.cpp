#include "cli/ControllerLink.h"

#include <charconv>
#include <chrono>
#include <thread>

#include "cli/CommonArgs.h"
#include "cli/ConsoleUi.h"
#include "cli/Options.h"
#include "platform/comm/StatusWord.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/wire/ReplyCode.h"

namespace cli {
namespace {

std::string machineDirOf(const std::string& dir) {
    return dir.empty() ? kvxglib::machineDirFromEnvironment() : dir;
}

}  // namespace

void addLinkOptions(CLI::App& command, LinkArgs& args) {
    command
        .add_option("--link", args.link,
                    "tcp:HOST:PORT, serial:PATH, or serial for the Port of Kvxmatic.Ini")
        ->required();
    command
        .add_option("--addr", args.address, "controller address PLA:ELA (255:30: the one attached)")
        ->required();
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

struct ControllerLink::Services {
    explicit Services(std::ostream& err) : boxes(err) {}
    ConsoleMessageBoxes boxes;
};

ControllerLink::ControllerLink(const LinkArgs& args, std::ostream& err)
    : services_(std::make_unique<Services>(err)), address_(parseAddress(args.address)) {
    library_ =
        std::make_unique<kvxglib::RealLibrary>(services_->boxes, machineDirOf(args.machineDir));
    name_ = args.link;
    handle_ = openLink(*library_, args.link, args.baud).handle;
}

ControllerLink::~ControllerLink() = default;

TelegramResult ControllerLink::send(const std::vector<uint8_t>& telegram, int16_t option,
                                    int16_t capacity) {
    std::vector<uint8_t> request{address_.pla, address_.ela};
    request.insert(request.end(), telegram.begin(), telegram.end());
    kvxglib::Library& lib = *library_;
    TelegramResult result;
    const auto object = lib.CreateRequest(168);
    lib.BindRequest(object, handle_);
    std::string label;
    lib.SubmitRequest(object, request.data(), static_cast<int16_t>(request.size()), option,
                      static_cast<int32_t>(0x80000000u), label);
    result.started = lib.StartExchange(object) != 0;
    if (result.started) {
        // The library ends every exchange; the wait needs no limit of its own.
        while ((lib.ExchangeComplete(object) & 0xFFFF) == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        result.reply.assign(static_cast<std::size_t>(std::max<int16_t>(capacity, 0)), 0);
        int16_t length = capacity;
        int16_t code1 = 0, code2 = 0;
        result.ok =
            (lib.FetchReply(object, result.reply.data(), &length, &code1, &code2) & 0xFFFF) != 0;
        result.reply.resize(static_cast<std::size_t>(std::max<int16_t>(length, 0)));
        result.code1 = static_cast<uint16_t>(code1);
        result.code2 = static_cast<int8_t>(code2);
    }
    lib.ReleaseRequest(object, 168);
    return result;
}

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
    const auto code1 = static_cast<uint16_t>((status & 0xFF) |
                                             (((static_cast<uint32_t>(status) >> 16) & 0xFF) << 8));
    const auto code2 = static_cast<int8_t>((status >> 8) & 0xFF);
    // A negative code 2 has overwritten the high byte of code 1 with its sign.
    return describeFailure(code2 < 0 ? code1 & 0xFF : code1, code2);
}

}  // namespace cli
