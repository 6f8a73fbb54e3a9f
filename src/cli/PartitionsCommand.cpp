#include <iostream>

#include "cli/ControllerCommands.h"
#include "cli/ControllerLink.h"
#include "cli/Options.h"
#include "cli/Output.h"
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

// The row a person or a script reads: sizes in KB, the load time as a date.
Row partitionRow(uint8_t partition, const std::vector<std::string>& values) {
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
            row.push_back(textField(label, a.text ? (label == "name" ? "Name" : "Title") : label,
                                    value));
        } else if (label == "size" || label == "maxsize") {
            row.push_back(numberField(label, label == "size" ? "Size" : "Max size", n, kilobytes(n)));
        } else if (label == "loadtime") {
            row.push_back(numberField(label, "Loaded", n, dateSince1980(n)));
        } else {
            row.push_back(numberField(label, label == "type" ? "Type" : label, n));
        }
    }
    return row;
}

int runPartitions(const Options& options, const LinkArgs& args) {
    ControllerLink link(args, std::cerr);
    const OutputFormat format = chooseFormat(options.json);
    const std::string at = args.address + " on " + link.name();
    const TelegramResult list = link.send({0xCB, 0x00, 0x04, 0, 0, 0, 0x01, 0, 0, 0}, 0);
    if (!list.ok) {
        std::cerr << "error: partition list of " << at << ": "
                  << describeFailure(list.code1, list.code2, list.started) << '\n';
        return exitcode::Failed;
    }
    std::vector<Row> rows;
    int exitCode = exitcode::Ok;
    for (const uint8_t partition : list.reply) {
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
        rows.push_back(partitionRow(partition, values));
    }
    if (format != OutputFormat::Tab) printRows(std::cout, format, rows, {});
    return exitCode;
}

}  // namespace

void addPartitionsCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<LinkArgs>();
    CLI::App* cmd = app.add_subcommand(
        "partitions", "List a controller's partitions with attributes 2, 4, 5, 7, 8, 9 and 110");
    addLinkOptions(*cmd, *args);
    cmd->callback([&options, args] {
        options.run = [&options, args] { return runPartitions(options, *args); };
    });
}

}  // namespace cli
