#include "cli/PartitionsCommand.h"

#include <iostream>
#include <optional>

#include "app/Program.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "link/ControllerServices.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "platform/text/Text.h"
#include "platform/wire/ReplyCode.h"

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
        ok = clink::GetPartStringAttr(platform, link.handle(), at.pla, at.ela, partition, a.number,
                                      value, clink::flags::Normal, status);
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

// The row a person or a script reads: sizes in KB, the load time as a date. `active`: the
// controller's active partition, none when it could not be read.
Row partitionRow(uint8_t partition, const std::vector<std::string>& values,
                 std::optional<int16_t> active) {
    const auto number = [](const std::string& text, long long& out) {
        try {
            size_t used = 0;
            out = std::stoll(text, &used);
            return used == text.size();
        } catch (const std::exception&) {
            return false;
        }
    };
    Row row{numberField("partition", "Nr", partition)};
    for (size_t i = 0; i < values.size(); ++i) {
        const Attribute& a = kAttributes[i];
        const std::string& value = values[i];
        long long n = 0;
        const std::string label = a.label;
        if (a.text || !number(value, n)) {
            row.push_back(
                textField(label, a.text ? (label == "name" ? "Name" : "Title") : label, value));
        } else if (label == "size" || label == "maxsize") {
            row.push_back(
                numberField(label, label == "size" ? "Size" : "Max size", n, kilobytes(n)));
        } else if (label == "loadtime") {
            row.push_back(numberField(label, "Loaded", n, dateSince1980(n)));
        } else {
            row.push_back(numberField(label, label == "type" ? "Type" : label, n));
        }
    }
    if (active)
        row.push_back(boolField("active", "Active", partition == *active,
                                partition == *active ? "active" : ""));
    else
        row.push_back(Field{"active", "Active", "?", nullptr});
    return row;
}

// QSystem.ActivePartition; none when the controller does not tell it.
std::optional<int16_t> activePartition(ControllerLink& link) {
    constexpr int16_t kSystemFile = 241;
    constexpr int32_t kActivePartitionIndex = 88;
    int16_t active = 0;
    int32_t status = 0;
    if (!clink::ReadInt(link.program().platform.glib, link.handle(), link.address().pla,
                        link.address().ela, kSystemFile, 0, kActivePartitionIndex, active,
                        clink::flags::Normal, status, u""))
        return std::nullopt;
    return active;
}

int runPartitions(const Options& options, const LinkArgs& args) {
    ControllerLink link(args, std::cerr);
    const OutputFormat format = chooseFormat(options.json);
    const std::string at = link.addressText() + " on " + link.name();
    int32_t status = 0;
    std::vector<uint8_t> partitions;
    if (!clink::GetAllPartitions(link.program().platform, link.handle(), link.address().pla,
                                 link.address().ela, partitions, clink::flags::Normal, status)) {
        std::cerr << "error: partition list of " << at << ": ";
        if (refusedAs(status, wire::code(wire::ReplyCode::UnknownCommand)))
            std::cerr << "the controller has no partitions (older controllers, without KVXreal C, "
                         "keep one program and have none)\n";
        else
            std::cerr << describeStatus(status) << '\n';
        return exitcode::Failed;
    }
    // Only where rows other than tab lines are printed: those stay as they always were.
    const std::optional<int16_t> active =
        format == OutputFormat::Tab ? std::nullopt : activePartition(link);
    std::vector<Row> rows;
    int exitCode = exitcode::Ok;
    for (const uint8_t partition : partitions) {
        // Tab lines are written as the attributes come, as they always were.
        if (format == OutputFormat::Tab) std::cout << "partition " << int(partition);
        std::vector<std::string> values;
        bool lost = false;
        for (const Attribute& a : kAttributes) {
            const std::string value = attributeValue(link, partition, a, lost);
            if (lost) break;
            if (format == OutputFormat::Tab) std::cout << '\t' << a.label << '=' << value;
            values.push_back(value);
        }
        if (format == OutputFormat::Tab) std::cout << '\n';
        if (lost) {
            std::cerr << "error: attributes of partition " << int(partition) << " of " << at
                      << ": the controller stopped answering\n";
            exitCode = exitcode::Failed;
            break;
        }
        rows.push_back(partitionRow(partition, values, active));
    }
    if (format != OutputFormat::Tab) printRows(std::cout, format, rows, {});
    return exitCode;
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
    auto listing = [&options, args] {
        options.run = [&options, args] { return runPartitions(options, *args); };
    };
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
