#include "cli/ScanModulesCommand.h"

#include <unistd.h>

#include <chrono>
#include <iostream>

#include "cli/CommonArgs.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Selection.h"
#include "cli/StopSignals.h"
#include "link/FormSearchModules.h"
#include "operations/LineUi.h"
#include "program/LoadState.h"

namespace cli {
namespace {

constexpr int kStopped = 130;
constexpr std::chrono::milliseconds kProgressEvery{100};
constexpr ControllerAddress kAttached{255, 30};

struct ScanArgs {
    LinkChoice choice;
    std::string machineDir;
    bool all = false;
    bool localOnly = false;
};

std::string lineOf(const ui::ListItem& item) {
    std::string line = item.text;
    for (std::size_t i = 0; i < 2 && i < item.subItems.size(); ++i) line += '\t' + item.subItems[i];
    // A row naming an address that two stations claim says so in full.
    if (item.subItems.size() > 2 && item.subItems[2] != "-") line += '\t' + item.subItems[2];
    return line;
}

Row rowOf(const ui::ListItem& item) {
    Row row{textField("pla", "PLA", item.text)};
    if (item.subItems.size() >= 3) {
        row.push_back(textField("ela", "ELA", item.subItems[0]));
        row.push_back(textField("type", "Module type", item.subItems[1]));
        row.push_back(textField("information", "Information", item.subItems[2]));
    }
    return row;
}

class Scan {
  public:
    Scan(clink::FormSearchModules& form, operations::HookedScreen& screen, OutputFormat format)
        : form_(form), screen_(screen), format_(format), progress_(::isatty(STDERR_FILENO) != 0) {
        screen_.onEvents = [this] { onEvents(); };
    }
    ~Scan() { screen_.onEvents = nullptr; }

    // True when the whole search ran.
    bool run() {
        form_.ActionButton_Click();
        clearProgress();
        printNewRows();
        if (format_ != OutputFormat::Tab) {
            std::vector<Row> rows;
            for (const auto& item : form_.ParamList.items) rows.push_back(rowOf(item));
            printRows(std::cout, format_, rows, {});
        }
        std::cout.flush();
        return !stopped_;
    }

  private:
    void onEvents() {
        printNewRows();
        const auto now = std::chrono::steady_clock::now();
        if (progress_ && now - lastProgress_ >= kProgressEvery) {
            lastProgress_ = now;
            std::cerr << '\r' << form_.ParamListLabel.caption << "\x1b[K" << std::flush;
            shown_ = true;
        }
        if ((StopSignals::asked() || !std::cout.good()) && !stopped_) {
            stopped_ = true;
            form_.ActionButton_Click();  // a running search stops after its probe
        }
    }
    // Tab lines go out as modules are found, so that a stopped scan has said what it found.
    void printNewRows() {
        const auto& items = form_.ParamList.items;
        for (; printed_ < items.size(); ++printed_) {
            if (format_ != OutputFormat::Tab) continue;
            clearProgress();
            std::cout << lineOf(items[printed_]) << '\n' << std::flush;
        }
    }
    void clearProgress() {
        if (!shown_) return;
        std::cerr << "\r\x1b[K" << std::flush;
        shown_ = false;
    }

    clink::FormSearchModules& form_;
    operations::HookedScreen& screen_;
    OutputFormat format_;
    bool progress_;
    bool shown_ = false;
    bool stopped_ = false;
    std::size_t printed_ = 0;
    std::chrono::steady_clock::time_point lastProgress_{};
};

int runScan(const Options& options, const ScanArgs& args) {
    Session session(args.machineDir, std::cerr);
    if (!connectProgram(session, args.choice, kAttached)) return exitcode::Failed;
    StopSignals signals;
    app::Program& program = session.program();
    ui::NoFormHost host;
    clink::FormSearchModules form(program, host);
    form.Form_Load();
    // The dialog's "Search all addresses" as the settings keep it, unless told otherwise.
    if (args.all) form.CheckSearchAll.value = true;
    if (args.localOnly) form.CheckSearchAll.value = false;
    Scan scan(form, session.screen(), chooseFormat(options.json));
    return scan.run() ? exitcode::Ok : kStopped;
}

}  // namespace

void addScanModulesCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<ScanArgs>();
    CLI::App* cmd = app.add_subcommand(
        "scan-modules",
        "Search the modules on a link as the module search dialog does: the local addresses, "
        "then every PLA:ELA; prints PLA, ELA and module type of each one found");
    addLinkChoiceOptions(*cmd, args->choice);
    CLI::Option* all = cmd->add_flag(
        "--all", args->all,
        "scan every address even when a local one answers (default: as the dialog's \"Search "
        "all addresses\" is set, on unless turned off)");
    cmd->add_flag("--local-only", args->localOnly,
                  "stop at the first of the four local addresses that answers (a bus head at "
                  "255:30 ends the search at once)")
        ->excludes(all);
    addMachineOption(*cmd, args->machineDir, " (time-outs, serial port)");
    cmd->callback(
        [&options, args] { options.run = [&options, args] { return runScan(options, *args); }; });
}

}  // namespace cli
