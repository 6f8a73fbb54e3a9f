#include <iostream>

#include "cli/ControllerCommands.h"
#include "cli/ControllerLink.h"
#include "cli/Options.h"
#include "platform/text/Text.h"

namespace cli {
namespace {

// The attributes listed: number attributes, and the two texts (name and title).
struct Attribute {
    uint16_t number;
    const char* label;
    bool text;
};
constexpr Attribute kAttributes[] = {
    {2, "name", true},  {4, "type", false},    {5, "attr5", false}, {7, "loadtime", false},
    {8, "size", false}, {9, "maxsize", false}, {110, "title", true}};

std::string attributeValue(ControllerLink& link, uint8_t partition, const Attribute& a,
                           bool& lost) {
    const uint8_t service = a.text ? 0x14 : 0x10;
    const TelegramResult r =
        link.send({0xCB, service, partition, static_cast<uint8_t>(a.number & 0xFF),
                   static_cast<uint8_t>(a.number >> 8)},
                  0);
    if (!r.ok) {
        // An attribute the partition lacks is shown as "-"; a silent controller ends the list.
        lost = !r.started || r.code1 >= 0xFF00;
        return "-";
    }
    if (a.text) {
        std::string bytes(r.reply.begin(), r.reply.end());
        if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
        return text::fromOem(bytes);
    }
    if (r.reply.size() != 4) return "?";
    const uint32_t v = r.reply[0] | (r.reply[1] << 8) | (r.reply[2] << 16) |
                       (static_cast<uint32_t>(r.reply[3]) << 24);
    return std::to_string(static_cast<int32_t>(v));
}

int runPartitions(const LinkArgs& args) {
    ControllerLink link(args, std::cerr);
    const std::string at = args.address + " on " + link.name();
    const TelegramResult list = link.send({0xCB, 0x00, 0x04, 0, 0, 0, 0x01, 0, 0, 0}, 0);
    if (!list.ok) {
        std::cerr << "error: partition list of " << at << ": "
                  << describeFailure(list.code1, list.code2, list.started) << '\n';
        return exitcode::Failed;
    }
    for (const uint8_t partition : list.reply) {
        std::cout << "partition " << int(partition);
        for (const Attribute& a : kAttributes) {
            bool lost = false;
            const std::string value = attributeValue(link, partition, a, lost);
            if (lost) {
                std::cout << '\n';
                std::cerr << "error: attributes of partition " << int(partition) << " of " << at
                          << ": the controller stopped answering\n";
                return exitcode::Failed;
            }
            std::cout << '\t' << a.label << '=' << value;
        }
        std::cout << '\n';
    }
    return exitcode::Ok;
}

}  // namespace

void addPartitionsCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<LinkArgs>();
    CLI::App* cmd = app.add_subcommand(
        "partitions", "List a controller's partitions with attributes 2, 4, 5, 7, 8, 9 and 110");
    addLinkOptions(*cmd, *args);
    cmd->callback([&options, args] { options.run = [args] { return runPartitions(*args); }; });
}

}  // namespace cli
