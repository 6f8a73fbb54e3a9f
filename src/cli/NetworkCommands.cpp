#include "cli/NetworkCommands.h"

#include <cstdio>
#include <iostream>

#include "cli/Options.h"
#include "cli/Session.h"
#include "network/ControllerLookup.h"
#include "network/FormSearchTCP.h"
#include "platform/components/finder/LinkedController.h"

namespace cli {
namespace {

struct DiscoverArgs {
    std::string target;
    std::string serial;
    bool passwordStdin = false;
    bool json = false;
};

std::string jsonText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04x", c);
            out += hex;
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string reachedAt(components::FoundController& c) {
    auto* linked = dynamic_cast<components::LinkedController*>(&c);
    return linked == nullptr ? ""
                             : linked->host() + ":" + std::to_string(c.reported().tcpPort);
}

int runDiscover(const Options& options, const DiscoverArgs& args) {
    // Every proof of the password hands whoever answers one guess at it: it goes only to
    // the controller the user names.
    if (args.passwordStdin && args.serial.empty())
        throw UsageError{"--password-stdin needs --serial: the password is proved only to the "
                         "controller you choose"};
    Session session(options.machineDir, std::cerr);
    app::Program& program = session.program();
    if (args.passwordStdin) program.comm.NetworkPassword = passwordFromStdin();
    auto& glib = program.platform.glib;
    if (!args.serial.empty()) {
        auto& finder = network::CreateFinder(program);
        finder.ClearCriteria();
        if (!args.target.empty()) finder.AddAddress(args.target.substr(0, args.target.find('/')));
        finder.SerialFilter(args.serial);
        finder.ApplySerialFilter();
        finder.Password(program.comm.NetworkPassword);
        finder.Search();
    } else if (args.target.empty()) {
        network::RenewFinder(program);
    } else {
        auto& finder = network::CreateFinder(program);
        const auto slash = args.target.find('/');
        const std::string address = args.target.substr(0, slash);
        if (!finder.IsValidAddress(address))
            throw UsageError{address + " is not a valid IP address!"};
        finder.ClearCriteria();
        if (slash == std::string::npos) finder.AddAddress(address);
        else finder.AddAddressWithMask(address, args.target.substr(slash + 1));
        finder.Password(program.comm.NetworkPassword);
        finder.Search();
    }
    auto& finder = *program.comm.finder;
    if (args.json) std::cout << "[";
    for (int32_t i = 0; i < finder.Count(); ++i) {
        auto& c = finder.Item(i);
        const std::string model = glib.ModelName(std::to_string(c.ModelNumber()));
        const bool access = !c.EncryptionRequired() || (args.passwordStdin && c.PasswordAccepted());
        if (auto* linked = dynamic_cast<components::LinkedController*>(&c);
            linked != nullptr && !linked->warning().empty())
            std::cerr << "warning: " << linked->warning() << '\n';
        if (args.json) {
            std::cout << (i == 0 ? "\n" : ",\n") << "  {\"serial\": " << jsonText(c.SerialNumber())
                      << ", \"name\": " << jsonText(c.Name())
                      << ", \"model\": " << jsonText(model)
                      << ", \"ip\": " << jsonText(c.IpAddress())
                      << ", \"mac\": " << jsonText(c.EthernetAddress())
                      << ", \"dhcp\": " << (c.DhcpEnabled() ? "true" : "false")
                      << ", \"address\": \"" << c.PLA() << ':' << c.ELA() << '"'
                      << ", \"kvxrealC\": " << (c.IsKvxrealC() ? "true" : "false")
                      << ", \"encryptionRequired\": " << (c.EncryptionRequired() ? "true" : "false")
                      << ", \"access\": " << (access ? "true" : "false")
                      << ", \"reachedAt\": " << jsonText(reachedAt(c)) << "}";
        } else {
            std::cout << c.SerialNumber() << '\t' << c.Name() << '\t' << model << '\t'
                      << c.IpAddress() << '\t' << c.PLA() << ':' << c.ELA() << '\t'
                      << reachedAt(c) << '\t'
                      << (c.EncryptionRequired() ? (access ? "password accepted" : "needs password")
                                                 : "open")
                      << '\n';
        }
    }
    if (args.json) std::cout << (finder.Count() == 0 ? "]\n" : "\n]\n");
    return exitcode::Ok;
}

int runConnect(const Options& options, const std::string& serial, bool passwordStdin) {
    Session session(options.machineDir, std::cerr);
    app::Program& program = session.program();
    if (passwordStdin) program.comm.NetworkPassword = passwordFromStdin();
    std::string why;
    if (!chooseController(program, serial, why)) {
        std::cerr << "error: " << why << '\n';
        return exitcode::Failed;
    }
    const auto i = network::FindControllerBySerial(program, serial, false);
    auto& c = program.comm.finder->Item(i);
    std::cout << "--link tcp:" << reachedAt(c) << " --addr " << program.connection.CurrentPLA
              << ':' << program.connection.CurrentELA << '\n';
    return exitcode::Ok;
}

}  // namespace

std::string passwordFromStdin() {
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool chooseController(app::Program& program, const std::string& serial, std::string& why) {
    network::FormSearchTCP form(program);
    form.Form_Activate();
    int row = 0;
    for (std::size_t r = 0; r < form.CtrlList.items.size(); ++r)
        if (program.platform.glib.SameSerialNumber(form.CtrlList.items[r].subItems[0], serial) != 0)
            row = static_cast<int>(r) + 1;
    if (row == 0) {
        why = "no controller with serial number " + serial + " answers on the network";
        return false;
    }
    form.CtrlList_ItemClick(row);
    form.ButtonOk_Click();
    if (!form.SearchOkFlg) {
        why = "could not connect to the controller " + serial +
              " (refused, gone, or the network password was not accepted)";
        return false;
    }
    return true;
}

void addNetworkCommands(CLI::App& app, Options& options) {
    auto d = std::make_shared<DiscoverArgs>();
    CLI::App* discover =
        app.add_subcommand("discover", "List the controllers that answer on the TCP/IP network");
    discover->add_option("--machine", options.machineDir, "machine folder (Kvxmatic.Ini)");
    discover->add_option("--target", d->target,
                         "search this address, or a subnet as ADDR/MASK, instead of broadcasting");
    discover->add_option("--serial", d->serial,
                         "look for this controller only (and prove the password to it)");
    discover->add_flag("--password-stdin", d->passwordStdin,
                       "read the network password from the first line of stdin (needs --serial)");
    discover->add_flag("--json", d->json, "print a JSON array");
    discover->callback([&options, d] { options.run = [&options, d] { return runDiscover(options, *d); }; });

    auto serial = std::make_shared<std::string>();
    auto passwordStdin = std::make_shared<bool>(false);
    CLI::App* connect = app.add_subcommand(
        "connect", "Connect to a controller found on the network; prints the link for later commands");
    connect->add_option("SERIAL", *serial, "serial number")->required();
    connect->add_option("--machine", options.machineDir, "machine folder (Kvxmatic.Ini)");
    connect->add_flag("--password-stdin", *passwordStdin,
                      "read the network password from the first line of stdin");
    connect->callback([&options, serial, passwordStdin] {
        options.run = [&options, serial, passwordStdin] {
            return runConnect(options, *serial, *passwordStdin);
        };
    });
    addTcpIpCommand(app, options);
    addUpgradePortOsCommand(app, options);
}

}  // namespace cli
