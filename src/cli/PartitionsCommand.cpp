#include "cli/PartitionsCommand.h"

#include <iostream>

#include "app/Program.h"
#include "cli/Options.h"
#include "link/ControllerServices.h"
#include "link/LinkFlags.h"

namespace cli {
namespace {

// The attributes listed: number attributes, and the two texts (name and title).
struct Attribute {
    int16_t number;
    const char* label;
    bool text;
};
constexpr Attribute kAttributes[] = {
    {2, "name", true},  {4, "type", false},    {5, "attr5", false}, {7, "loadtime", false},
    {8, "size", false}, {9, "maxsize", false}, {110, "title", true}};

// One attribute as the program reads it; "-" when the partition lacks it. `lost` when the
// controller gave no answer at all.
std::string attributeValue(ControllerLink& link, uint8_t partition, const Attribute& a,
                           bool& lost) {
    Platform& platform = link.program().platform;
    const Address at = link.address();
    int32_t status = 0;
    std::string value;
    bool ok = false;
    if (a.text) {
        ok = clink::GetPartStringAttr(platform, link.handle(), at.pla, at.ela, partition,
                                      a.number, value, clink::flags::Normal, status);
        // The controller may end a text with a zero character; it is no part of it.
        if (ok && !value.empty() && value.back() == '\0') value.pop_back();
    } else {
        int32_t number = 0;
        ok = clink::GetPartAttrH(platform, link.handle(), at.pla, at.ela, partition, a.number,
                                 number, clink::flags::Normal, status);
        value = std::to_string(number);
    }
    if (ok) return value;
    lost = noAnswer(status);
    return "-";
}

int runList(const LinkArgs& args) {
    ControllerLink link(args, std::cerr);
    const std::string at = args.address + " on " + link.name();
    int32_t status = 0;
    std::vector<uint8_t> partitions;
    if (!clink::GetAllPartitions(link.program().platform, link.handle(), link.address().pla,
                                 link.address().ela, partitions, clink::flags::Normal, status)) {
        std::cerr << "error: partition list of " << at << ": " << describeStatus(status) << '\n';
        return exitcode::Failed;
    }
    for (const uint8_t partition : partitions) {
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

PartitionsCommand addPartitionsCommand(CLI::App& app, Options& options) {
    PartitionsCommand partitions{nullptr, std::make_shared<LinkArgs>()};
    partitions.command = app.add_subcommand(
        "partitions", "A controller's partitions; without an action, list them (as list does)");
    addLinkOptions(*partitions.command, *partitions.link);
    partitions.command->require_subcommand(0, 1);

    CLI::App* list = addPartitionsAction(
        partitions, "list", "List the partitions with attributes 2, 4, 5, 7, 8, 9 and 110");
    auto args = partitions.link;
    auto listing = [&options, args] { options.run = [args] { return runList(*args); }; };
    list->callback(listing);
    CLI::App* command = partitions.command;
    command->callback([command, listing] {
        if (command->get_subcommands().empty()) listing();
    });
    return partitions;
}

CLI::App* addPartitionsAction(const PartitionsCommand& partitions, const std::string& name,
                              const std::string& description) {
    CLI::App* action = partitions.command->add_subcommand(name, description);
    action->fallthrough();
    return action;
}

}  // namespace cli
