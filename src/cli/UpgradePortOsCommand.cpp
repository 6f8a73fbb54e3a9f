// krelvan-cli upgrade-port-os SERIAL [--yes] [--password-stdin]: the Port OS upgrade of the
// search dialog's Upgrade button, on the controller with that serial number. The question is
// answered No unless --yes is given; the transfer's progress goes to stdout, one line per step.
#include <algorithm>
#include <iostream>
#include <memory>

#include "app/Program.h"
#include "cli/CommonArgs.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Session.h"
#include "network/ControllerLookup.h"
#include "network/PortOsUpgrade.h"
#include "operations/LineUi.h"
#include "platform/components/LoadFigures.h"
#include "platform/components/finder/LinkedController.h"
#include "platform/components/finder/UdpFinder.h"

namespace cli {
namespace {

struct UpgradePortOsArgs {
    std::string serial;
    bool yes = false;
    bool passwordStdin = false;
    bool noCompress = false;
};

constexpr int kStepPercent = 10;

int runUpgradePortOs(const Options& options, const UpgradePortOsArgs& args) {
    Session session(options.machineDir, std::cerr);
    app::Program& program = session.program();
    if (args.passwordStdin) program.comm.NetworkPassword = passwordFromStdin();
    session.messageBoxes().answerYes = args.yes;
    int printed = -1;
    // With --json, stdout carries the result alone.
    std::ostream& progress = options.json ? std::cerr : std::cout;
    session.finders().upgrades.progress = [&printed, &progress](const transfer::Progress& p) {
        const int percent = static_cast<int>(p.fraction() * 100.0);
        if (percent == printed ||
            (printed >= 0 && percent < 100 && percent < printed + kStepPercent))
            return;
        printed = percent;
        progress << "sending the TCP/IP Port OS: " << percent << " % ("
                 << components::bytesText(std::min(p.acknowledged, p.total), p.total) << ")"
                 << std::endl;
    };
    session.finders().upgrades.compression =
        args.noCompress ? transfer::Compression::Off : transfer::Compression::Auto;
    session.finders().upgrades.loaded = [&progress](const transfer::Result& r, size_t bytes) {
        const std::string text = components::loadedText({bytes, r.elapsed, r.compressedBlocks});
        if (!text.empty()) progress << text << std::endl;
    };
    // As from the search dialog: a fresh search, then the upgrade of the chosen row.
    network::RenewFinder(program);
    program.comm.PortOsUpgradeRunning = true;
    const bool upgraded = network::UpgradeTcpIpPortOs(program, args.serial);
    program.comm.PortOsUpgradeRunning = false;
    printResult(std::cout, chooseFormat(options.json),
                {{"serial", args.serial}, {"upgraded", upgraded}}, "");
    if (upgraded) return exitcode::Ok;
    // The message box gives the likely reasons; the link knows the real one.
    auto& finder = *program.comm.finder;
    for (int32_t i = 0; i < finder.Count(); ++i) {
        auto* linked = dynamic_cast<components::LinkedController*>(&finder.Item(i));
        if (linked != nullptr && linked->SerialNumber() == args.serial && !linked->why().empty())
            std::cerr << "detail: " << linked->why() << '\n';
    }
    return exitcode::Failed;
}

}  // namespace

void addUpgradePortOsCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<UpgradePortOsArgs>();
    CLI::App* cmd = app.add_subcommand(
        "upgrade-port-os",
        "Upgrade the TCP/IP Port OS of a controller on the network with the upgrade file of its "
        "port type (SLib:\\KVXreal\\<number>.TcpIpPortOS)");
    cmd->add_option("SERIAL", args->serial, "serial number of the controller")->required();
    cmd->add_option("--machine", options.machineDir, "machine folder (Kvxmatic.Ini)");
    cmd->add_flag("--yes", args->yes, "answer Yes to the upgrade question (without it: No)");
    cmd->add_flag("--password-stdin", args->passwordStdin,
                  "read the network password from the first line of stdin");
    addNoCompressFlag(*cmd, args->noCompress);
    cmd->callback([&options, args] {
        options.run = [&options, args] { return runUpgradePortOs(options, *args); };
    });
}

}  // namespace cli
