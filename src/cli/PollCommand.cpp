#include <iostream>

#include "cli/ControllerCommands.h"
#include "cli/ControllerLink.h"
#include "cli/Options.h"
#include "cli/Output.h"

namespace cli {
namespace {

int runPoll(const Options& options, const LinkArgs& args) {
    ControllerLink link(args, std::cerr);
    // Option 1 marks the exchange as a presence probe, as the program's own poll does.
    const TelegramResult result = link.send({0x98}, 1, 2);
    const std::string at = args.address + " on " + link.name();
    if (!result.ok) {
        std::cerr << "error: poll of " << at << ": "
                  << describeFailure(result.code1, result.code2, result.started) << '\n';
        return exitcode::Failed;
    }
    if (result.reply.size() != 2) {
        std::cerr << "error: poll of " << at << ": the reply has " << result.reply.size()
                  << " bytes, not 2\n";
        return exitcode::Failed;
    }
    const std::string answered =
        std::to_string(result.reply[0]) + ':' + std::to_string(result.reply[1]);
    printRecord(std::cout, chooseFormat(options.json),
                {textField("answered", "Answered as", answered),
                 numberField("pla", "PLA", result.reply[0]),
                 numberField("ela", "ELA", result.reply[1])},
                "answered\t" + answered);
    return exitcode::Ok;
}

}  // namespace

void addPollCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<LinkArgs>();
    CLI::App* cmd =
        app.add_subcommand("poll", "Poll a controller; prints the address it answers with");
    addLinkOptions(*cmd, *args);
    cmd->callback([&options, args] {
        options.run = [&options, args] { return runPoll(options, *args); };
    });
}

}  // namespace cli
