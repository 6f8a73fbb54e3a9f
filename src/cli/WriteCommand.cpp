#include <charconv>
#include <cmath>
#include <iostream>

#include "cli/ControllerCommands.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/VariableArgs.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/text/Text.h"

namespace cli {
namespace {

namespace vt = kvxglib::vt;

long parseInteger(const std::string& text, long min, long max) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max) {
        throw UsageError{"value \"" + text + "\" is not a whole number in " + std::to_string(min) +
                         ".." + std::to_string(max)};
    }
    return value;
}

int16_t parseBoolean(const std::string& text) {
    if (text == "true" || text == "yes" || text == "-1" || text == "1") return -1;
    if (text == "false" || text == "no" || text == "0") return 0;
    throw UsageError{"value \"" + text + "\" is not a Boolean (true/false, yes/no, -1/1/0)"};
}

float parseReal(const std::string& text) {
    try {
        std::size_t used = 0;
        const float value = std::stof(text, &used);
        if (used == text.size() && std::isfinite(value)) return value;
    } catch (const std::exception&) {
    }
    throw UsageError{"value \"" + text + "\" is not a real number"};
}

int runWrite(const Options& options, const VariableArgs& args) {
    const kvxglib::VarRef checked = makeVarRef(args, {});  // told before the link opens
    int16_t small = 0;
    float real = 0;
    int32_t number = 0;
    std::u16string text;
    kvxglib::Variant value;
    switch (checked.type) {
        case 1:
            small = parseBoolean(args.value);
            value = {vt::ByRef | vt::Bool, 0, 0, 0, &small};
            break;
        case 2:
        case 3:
            small = static_cast<int16_t>(parseInteger(args.value, INT16_MIN, INT16_MAX));
            value = {vt::ByRef | vt::I2, 0, 0, 0, &small};
            break;
        case 4:
            real = parseReal(args.value);
            value = {vt::ByRef | vt::R4, 0, 0, 0, &real};
            break;
        case 5:
            if (!text::isUtf8(args.value)) throw UsageError{"the text is not UTF-8"};
            text = text::toWide(args.value);
            value = {vt::ByRef | vt::BStr, 0, 0, 0, &text};
            break;
        default:
            number = static_cast<int32_t>(parseInteger(args.value, INT32_MIN, INT32_MAX));
            value = {vt::ByRef | vt::I4, 0, 0, 0, &number};
            break;
    }
    ControllerLink link(args.link, std::cerr);
    kvxglib::VarRef ref = makeVarRef(args, link.address());
    int32_t status = 0;
    if ((link.library().WriteVariable(link.handle(), &ref, &value, 1, 0,
                                      static_cast<int32_t>(0x80000000u), &status, u"") &
         0xFFFF) == 0) {
        std::cerr << "error: write of file " << args.file << " index " << args.index << " at "
                  << link.addressText() << " on " << link.name() << ": " << describeStatus(status)
                  << '\n';
        return exitcode::Failed;
    }
    printResult(std::cout, chooseFormat(options.json), {{"written", true}}, "");
    return exitcode::Ok;
}

}  // namespace

void addWriteCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<VariableArgs>();
    CLI::App* cmd = app.add_subcommand("write", "Write one variable by file, index and type");
    addVariableOptions(*cmd, *args);
    cmd->add_option("value", args->value, "the value (Booleans: true/false)")->required();
    cmd->callback(
        [&options, args] { options.run = [&options, args] { return runWrite(options, *args); }; });
}

}  // namespace cli
