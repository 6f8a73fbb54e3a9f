#include "cli/NameCommands.h"

#include <iostream>
#include <memory>

#include "cli/CommonArgs.h"
#include "cli/ControllerLink.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Selection.h"
#include "cli/Session.h"
#include "link/ByName.h"
#include "link/ConnectionChecks.h"
#include "link/Errors.h"
#include "link/LinkFlags.h"
#include "link/VarName.h"
#include "platform/sysvars/Secrets.h"
#include "platform/sysvars/Table.h"
#include "platform/wire/ReplyCode.h"

namespace cli {
namespace {

struct NameArgs {
    int model = 0;
    std::string program;
    LinkChoice choice;
    std::string address;
    std::string name;
    std::string value;
};

// The session with the revision selected, the link open and the name known; exits early with
// the code to return.
struct Prepared {
    std::unique_ptr<Session> session;
    clink::ResolvedVar var;
    int exitCode = exitcode::Ok;
};

Prepared prepare(const Options& options, const NameArgs& args, bool reading) {
    std::optional<ControllerAddress> address;
    if (!args.address.empty()) address = parseControllerAddress(args.address, true);
    Prepared p{std::make_unique<Session>(options.machineDir, std::cerr), {}, exitcode::Ok};
    app::Program& program = p.session->program();
    selectRevision(program, args.model, args.program);
    if (!clink::ResolveVarName(program, args.name, p.var)) {
        throw UsageError{"unknown variable name " + args.name};
    }
    // Not the controller's fault: the by-name read has no access of this kind and type.
    if (reading && !clink::ReadableByName(p.var)) {
        throw UsageError{args.name + " cannot be read by name (kind " + std::to_string(p.var.kind) +
                         ", type " + std::to_string(p.var.type) +
                         "); read it by number with the read command"};
    }
    // A password on the command line stays in the shell's history and the process list.
    if (!reading && sysvars::sensitivityOf(static_cast<uint16_t>(p.var.file), p.var.index) ==
                        sysvars::Sensitivity::Secret) {
        throw UsageError{args.name +
                         " is a password, which is not taken from the command line: "
                         "write it with write --file " +
                         std::to_string(p.var.file) + " --index " + std::to_string(p.var.index) +
                         " --type text (asked for, or --new-password-stdin)"};
    }
    if (!connectProgram(*p.session, args.choice, address)) p.exitCode = exitcode::Failed;
    return p;
}

// Why a read by name failed: no answer, a variable this kind of controller does not have (an
// older controller refuses it, which is no lost link), or another refusal.
std::string readFailure(app::Program& program, const std::string& name, int32_t status) {
    // A gateway's "no such station" is nobody answering at that address, too.
    if (noAnswer(status) || refusedAs(status, wire::code(wire::ReplyCode::NoSuchStation)))
        return "no answer reading " + name;
    const clink::Connection& c = program.connection;
    const sysvars::Variable* known = sysvars::findByName(name);
    if (known != nullptr && known->family != sysvars::Family::Every) {
        clink::DetectControllerOsKind(program, c.CurrentPLA, c.CurrentELA);
        const bool kvxrealC = program.connection.ControllerOsKind == "C";
        if (!known->existsOn(kvxrealC))
            return name + " is not on this kind of controller: only " +
                   (kvxrealC ? "older controllers (without KVXreal C)" : "KVXreal C controllers") +
                   " have it";
    }
    return "reading " + name + ": " + describeStatus(status);
}

int runRead(const Options& options, const NameArgs& args) {
    Prepared p = prepare(options, args, true);
    if (p.exitCode != exitcode::Ok) return p.exitCode;
    app::Program& program = p.session->program();
    clink::VarValue value;
    int32_t status = 0;
    const clink::Connection& c = program.connection;
    if (!clink::ReadVar(program, c.CurrentPLA, c.CurrentELA, args.name, value, clink::flags::Normal,
                        status)) {
        std::cerr << "error: " << readFailure(program, args.name, status) << '\n';
        return exitcode::Failed;
    }
    const std::string shown = clink::VarValueText(value);
    const Field field = std::holds_alternative<std::string>(value)
                            ? textField("value", "Value", shown)
                            : numericTextField("value", "Value", shown);
    printRecord(std::cout, chooseFormat(options.json),
                {textField("name", "Name", args.name), field}, shown);
    return exitcode::Ok;
}

int runWrite(const Options& options, const NameArgs& args) {
    Prepared p = prepare(options, args, false);
    if (p.exitCode != exitcode::Ok) return p.exitCode;
    app::Program& program = p.session->program();
    int32_t status = 0;
    const clink::Connection& c = program.connection;
    bool written = false;
    try {
        written = clink::WriteVar(program, c.CurrentPLA, c.CurrentELA, args.name, args.value,
                                  clink::flags::Normal, status);
    } catch (const clink::ConversionError& error) {
        throw UsageError{error.what()};
    }
    if (!written) {
        std::cerr << "error: no answer writing " << args.name << '\n';
        return exitcode::Failed;
    }
    printResult(std::cout, chooseFormat(options.json), {{"name", args.name}, {"written", true}},
                "");
    return exitcode::Ok;
}

CLI::App* addCommand(CLI::App& app, Options& options, const std::shared_ptr<NameArgs>& args,
                     const std::string& name, const std::string& description) {
    CLI::App* cmd = app.add_subcommand(name, description);
    addMachineOption(*cmd, options.machineDir);
    addSelectionOptions(*cmd, args->model, args->program, true);
    addLinkChoiceOptions(*cmd, args->choice);
    cmd->add_option("--addr", args->address,
                    "controller address PLA:ELA (255:30: the one at the other end of a direct "
                    "link); with --serial by default the address the controller reports");
    cmd->add_option("NAME", args->name, "variable name, for example QSystem.PLA")->required();
    return cmd;
}

}  // namespace

void addNameCommands(CLI::App& app, Options& options) {
    auto readArgs = std::make_shared<NameArgs>();
    CLI::App* read = addCommand(app, options, readArgs, "read-name",
                                "Read one controller variable by name and print its value");
    read->callback([&options, readArgs] {
        options.run = [&options, readArgs] { return runRead(options, *readArgs); };
    });

    auto writeArgs = std::make_shared<NameArgs>();
    CLI::App* write =
        addCommand(app, options, writeArgs, "write-name", "Write one controller variable by name");
    write
        ->add_option("VALUE", writeArgs->value,
                     "the value; numbers round to the variable's type, ties to even")
        ->required();
    write->callback([&options, writeArgs] {
        options.run = [&options, writeArgs] { return runWrite(options, *writeArgs); };
    });
}

}  // namespace cli
