// LinkTool: chooses the serial port and baud rate of the machine's serial link (Port and Baud
// of section Link in Kvxmatic.Ini). Krelvan starts it with "/L" to open on the link page;
// scripts use --batch.
#include <QApplication>
#include <iostream>
#include <string>
#include <utility>

#include "linktool/LinkChoice.h"
#include "linktool/LinkToolWindow.h"
#include "linktool/SerialDevices.h"
#include "platform/kvxglib/MachineConfig.h"
#include "platform/ui/Display.h"

namespace {

constexpr const char* kUsage =
    "Usage: LinkTool [/L] [--machine DIR] [--list] [--batch --port DEVICE --baud RATE]\n"
    "Chooses the serial port and baud rate of the serial link (keys Port and Baud of section\n"
    "[Link] in Kvxmatic.Ini of the machine folder). Krelvan takes the change the next time it\n"
    "talks to a controller over the serial link. Without --batch or --list a window opens.\n"
    "  /L               open the window on the link page\n"
    "  --machine DIR    the machine folder (default $KRELVAN_MACHINE_DIR, else\n"
    "                   ~/.config/krelvan)\n"
    "  --list           print the serial devices, the baud rates and the link in force\n"
    "  --batch          write --port and --baud without a window; every other line of the\n"
    "                   file is kept, and the file is replaced in one step\n"
    "  --help           this text\n"
    "Exit status: 0 done, 1 failed (the reason on stderr), 2 bad arguments.\n";

int usageError(const std::string& why) {
    std::cerr << "usage error: " << why << '\n' << kUsage;
    return 2;
}

struct Options {
    bool help = false, linkPage = false, batch = false, list = false;
    std::string machineDir, port, baud;
};

// False with `why` for an argument it does not know or one that lacks its value.
bool parse(int argc, char** argv, Options& o, std::string& why) {
    const std::pair<const char*, bool Options::*> flags[] = {
        {"--help", &Options::help}, {"-h", &Options::help},       {"/L", &Options::linkPage},
        {"/l", &Options::linkPage}, {"--batch", &Options::batch}, {"--list", &Options::list}};
    const std::pair<const char*, std::string Options::*> values[] = {
        {"--machine", &Options::machineDir},
        {"--port", &Options::port},
        {"--baud", &Options::baud}};
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        bool known = false;
        for (const auto& [name, flag] : flags) {
            if (argument == name) known = o.*flag = true;
        }
        for (const auto& [name, value] : values) {
            if (argument != name) continue;
            if (i + 1 >= argc) {
                why = argument + " needs a value";
                return false;
            }
            o.*value = argv[++i];
            known = true;
        }
        if (!known) {
            why = "unknown argument " + argument;
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string why;
    if (!parse(argc, argv, o, why)) return usageError(why);
    if (o.help) {
        std::cout << kUsage;
        return 0;
    }
    const std::string machineDir =
        o.machineDir.empty() ? kvxglib::machineDirFromEnvironment() : o.machineDir;
    const std::string settingsFile = kvxglib::MachineConfig(machineDir).settingsFile();

    if (o.list) {
        for (const std::string& device : linktool::listSerialDevices(machineDir))
            std::cout << "device " << device << '\n';
        for (uint32_t rate : linktool::baudRates()) std::cout << "baud " << rate << '\n';
        const linktool::LinkChoice in = linktool::readLinkChoice(settingsFile);
        std::cout << "Port=" << in.port << "\nBaud=" << in.baud << '\n';
        return 0;
    }
    if (o.batch) {
        if (o.port.empty() || o.baud.empty()) return usageError("--batch needs --port and --baud");
        const bool digits = o.baud.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || o.baud.size() > 9) return usageError(o.baud + " is not a baud rate");
        if (!linktool::writeLinkChoice(settingsFile,
                                       {o.port, static_cast<uint32_t>(std::stoul(o.baud))}, why)) {
            std::cerr << "LinkTool: " << why << '\n';
            return 1;
        }
        std::cout << "Port=" << o.port << " Baud=" << o.baud << " written to " << settingsFile
                  << '\n';
        return 0;
    }
    if (!o.port.empty() || !o.baud.empty()) return usageError("--port and --baud go with --batch");
    if (!ui::hasDisplay()) {
        std::cerr << "LinkTool: no display; use --batch or --list\n";
        return 2;
    }
    QApplication application(argc, argv);
    linktool::LinkToolWindow window(settingsFile, machineDir, o.linkPage);
    window.show();
    return QApplication::exec();
}
