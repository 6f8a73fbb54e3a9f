#include <iostream>

#include "app/Program.h"
#include "cli/ControllerCommands.h"
#include "cli/ControllerLink.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "link/ControllerServices.h"

namespace cli {
namespace {

// The program's own poll, so the answer is the one the window would get.
int runPoll(const Options& options, const LinkArgs& args) {
    ControllerLink link(args, std::cerr);
    const std::string at = link.addressText() + " on " + link.name();
    int32_t status = 0;
    std::vector<uint8_t> reply;
    if (!clink::PollController(link.program(), link.address().pla, link.address().ela, status,
                               reply)) {
        std::cerr << "error: poll of " << at << ": " << describeStatus(status) << '\n';
        return exitcode::Failed;
    }
    if (reply.size() != 2) {
        std::cerr << "error: poll of " << at << ": the reply has " << reply.size()
                  << " bytes, not 2\n";
        return exitcode::Failed;
    }
    const std::string answered = std::to_string(reply[0]) + ':' + std::to_string(reply[1]);
    printRecord(std::cout, chooseFormat(options.json),
                {textField("answered", "Answered as", answered),
                 numberField("pla", "PLA", reply[0]), numberField("ela", "ELA", reply[1])},
                "answered\t" + answered);
    return exitcode::Ok;
}

}  // namespace

void addPollCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<LinkArgs>();
    CLI::App* cmd =
        app.add_subcommand("poll", "Poll a controller; prints the address it answers with");
    addLinkOptions(*cmd, *args);
    cmd->callback(
        [&options, args] { options.run = [&options, args] { return runPoll(options, *args); }; });
}

}  // namespace cli
