#include <iostream>
#include <sstream>

#include "cli/ControllerCommands.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/VariableArgs.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/text/Text.h"

namespace cli {
namespace {

namespace vt = kvxglib::vt;

int runRead(const Options& options, const VariableArgs& args) {
    makeVarRef(args, {});  // bad arguments are told before the link opens
    ControllerLink link(args.link, std::cerr);
    kvxglib::VarRef ref = makeVarRef(args, link.address());
    int16_t small = 0;
    float real = 0;
    int32_t number = 0;
    std::u16string text;
    kvxglib::Variant value;
    switch (ref.type) {
        case 1:
            value = {vt::ByRef | vt::Bool, 0, 0, 0, &small};
            break;
        case 2:
        case 3:
            value = {vt::ByRef | vt::I2, 0, 0, 0, &small};
            break;
        case 4:
            value = {vt::ByRef | vt::R4, 0, 0, 0, &real};
            break;
        case 5:
            value = {vt::ByRef | vt::BStr, 0, 0, 0, &text};
            break;
        default:
            value = {vt::ByRef | vt::I4, 0, 0, 0, &number};
            break;
    }
    int32_t status = 0;
    if ((link.library().ReadVariable(link.handle(), &ref, &value, 1, 0,
                                     static_cast<int32_t>(0x80000000u), &status, u"") &
         0xFFFF) == 0) {
        std::cerr << "error: read of file " << args.file << " index " << args.index << " at "
                  << link.addressText() << " on " << link.name() << ": " << describeStatus(status)
                  << '\n';
        return exitcode::Failed;
    }
    Field field;
    switch (ref.type) {
        case 1:
            field = boolField("value", "Value", small != 0, small != 0 ? "true" : "false");
            break;
        case 2:
        case 3:
            field = numberField("value", "Value", small);
            break;
        case 4: {
            std::ostringstream shown;
            shown << real;
            field = numericTextField("value", "Value", shown.str());
            break;
        }
        case 5:
            field = textField("value", "Value", text::fromWide(text));
            break;
        default:
            field = numberField("value", "Value", number);
            break;
    }
    printRecord(std::cout, chooseFormat(options.json), {field}, field.shown);
    return exitcode::Ok;
}

}  // namespace

void addReadCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<VariableArgs>();
    CLI::App* cmd = app.add_subcommand("read", "Read one variable by file, index and type");
    addVariableOptions(*cmd, *args);
    cmd->callback(
        [&options, args] { options.run = [&options, args] { return runRead(options, *args); }; });
}

}  // namespace cli
