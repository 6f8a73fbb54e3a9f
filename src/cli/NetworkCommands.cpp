#include "cli/NetworkCommands.h"

#include <iostream>

#include "cli/CommonArgs.h"
#include "cli/ControllerLink.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Session.h"
#include "network/ControllerLookup.h"
#include "operations/Reach.h"
#include "operations/TerminalInput.h"
#include "platform/components/finder/LinkedController.h"

namespace cli {
namespace {

struct DiscoverArgs {
    std::string target;
    std::string serial;
    bool passwordStdin = false;
};

std::string reachedAt(components::FoundController& c) {
    auto* linked = dynamic_cast<components::LinkedController*>(&c);
    return linked == nullptr ? "" : linked->host() + ":" + std::to_string(c.reported().tcpPort);
}

// By its reply or by this machine's list of controllers known to use a password.
bool hasPassword(components::FoundController& c) {
    auto* linked = dynamic_cast<components::LinkedController*>(&c);
    return c.EncryptionRequired() || c.reported().passwordSet ||
           (linked != nullptr && linked->hasPassword());
}

// Whether the password given (if any) is enough to reach the controller: a password given is
// always proved, and one that demands its password needs it.
bool accessOf(components::FoundController& c, bool passwordGiven) {
    return passwordGiven ? c.PasswordAccepted() : !c.EncryptionRequired();
}

// The table's access column.
std::string accessText(components::FoundController& c, bool passwordGiven, bool access) {
    if (!hasPassword(c)) return passwordGiven && !access ? "open, refused the password" : "open";
    std::string text = c.EncryptionRequired() ? "password demanded" : "password, not demanded";
    if (passwordGiven) text += access ? ", accepted" : ", not accepted";
    return text;
}

// Everything the controller reported, for scripts that decide upgrades from it.
Json discoveredJson(components::FoundController& c, const std::string& model, bool access) {
    const wire::DiscoveryReply& r = c.reported();
    Json j;
    j["serial"] = c.SerialNumber();
    j["name"] = c.Name();
    j["description"] = c.Description();
    j["modelNumber"] = r.modelNumber;
    j["modelName"] = model;
    j["ip"] = c.IpAddress();
    j["subnetMask"] = c.SubnetMask();
    j["gateway"] = c.DefaultGateway();
    j["dnsServers"] = {c.DnsServer1(), c.DnsServer2()};
    j["mac"] = c.EthernetAddress();
    j["dhcp"] = c.DhcpEnabled();
    j["dnsName"] = c.DnsName();
    j["mainComputerAddress"] = c.MainComputerAddress();
    j["address"] = std::to_string(c.PLA()) + ":" + std::to_string(c.ELA());
    j["kvxrealC"] = c.IsKvxrealC();
    j["capabilities"] = {{"bits", r.capabilities},
                         {"email", (r.capabilities & wire::kCapabilityEmail) != 0},
                         {"webPartitions", (r.capabilities & wire::kCapabilityWebPartitions) != 0},
                         {"encryption", (r.capabilities & wire::kCapabilityEncryption) != 0}};
    j["osVersion"] = r.osVersion;
    j["portOsRevision"] = c.PortOsRevision();
    j["upgradeFileNumber"] = r.upgradeFileNumber;
    j["passwordSet"] = r.passwordSet;
    j["encryptionRequired"] = c.EncryptionRequired();
    auto* linked = dynamic_cast<components::LinkedController*>(&c);
    j["knownProtected"] = linked != nullptr && linked->knownProtected();
    j["hasPassword"] = hasPassword(c);
    j["access"] = access;
    j["reachedAt"] = reachedAt(c);
    return j;
}

int runDiscover(const Options& options, const DiscoverArgs& args) {
    // Every proof of the password hands whoever answers one guess at it: it goes only to
    // the controller the user names.
    if (args.passwordStdin && args.serial.empty())
        throw UsageError{
            "--password-stdin needs --serial: the password is proved only to the "
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
        if (slash == std::string::npos)
            finder.AddAddress(address);
        else
            finder.AddAddressWithMask(address, args.target.substr(slash + 1));
        finder.Password(program.comm.NetworkPassword);
        finder.Search();
    }
    auto& finder = *program.comm.finder;
    // A search that could not go out heard nobody: that is no empty network.
    if (!finder.SearchProblem().empty()) {
        std::cerr << "error: no controllers could be searched for: " << finder.SearchProblem()
                  << '\n';
        return exitcode::Failed;
    }
    const OutputFormat format = chooseFormat(options.json);
    Json list = Json::array();
    std::vector<Row> rows;
    std::vector<std::string> lines;
    for (int32_t i = 0; i < finder.Count(); ++i) {
        auto& c = finder.Item(i);
        const std::string model = glib.ModelName(std::to_string(c.ModelNumber()));
        const bool access = accessOf(c, args.passwordStdin);
        if (auto* linked = dynamic_cast<components::LinkedController*>(&c);
            linked != nullptr && !linked->warning().empty())
            std::cerr << "warning: " << linked->warning() << '\n';
        if (format == OutputFormat::Json) {
            list.push_back(discoveredJson(c, model, access));
            continue;
        }
        const std::string address = std::to_string(c.PLA()) + ":" + std::to_string(c.ELA());
        const std::string accessWords = accessText(c, args.passwordStdin, access);
        rows.push_back({textField("serial", "Serial", c.SerialNumber()),
                        textField("name", "Name", c.Name()), textField("model", "Model", model),
                        textField("ip", "IP", c.IpAddress()),
                        textField("address", "Address", address),
                        textField("reachedAt", "Reached at", reachedAt(c)),
                        textField("access", "Access", accessWords)});
        lines.push_back(c.SerialNumber() + '\t' + c.Name() + '\t' + model + '\t' + c.IpAddress() +
                        '\t' + address + '\t' + reachedAt(c) + '\t' + accessWords);
    }
    if (format == OutputFormat::Json)
        std::cout << jsonText(list) << '\n';
    else
        printRows(std::cout, format, rows, lines);
    return exitcode::Ok;
}

int runConnect(const Options& options, const std::string& serial, bool passwordStdin) {
    Session session(options.machineDir, std::cerr);
    app::Program& program = session.program();
    connectBySerial(program, {"", serial, passwordStdin});
    const auto i = network::FindControllerBySerial(program, serial, false);
    auto& c = program.comm.finder->Item(i);
    const std::string link = "tcp:" + reachedAt(c);
    const std::string address = std::to_string(program.connection.CurrentPLA) + ":" +
                                std::to_string(program.connection.CurrentELA);
    // A plain link does not reach a controller that demands its password, and would carry in
    // clear what is sent to one that has a password: later commands reach it by serial number
    // with the password.
    auto* linked = dynamic_cast<components::LinkedController*>(&c);
    const bool sealed = hasPassword(c) || (linked != nullptr && linked->sealed());
    Json result;
    result["serial"] = c.SerialNumber();
    result["link"] = link;
    result["address"] = address;
    result["passwordRequired"] = sealed;
    printResult(std::cout, chooseFormat(options.json), result,
                sealed ? "--serial " + c.SerialNumber() + " --password-stdin"
                       : "--link " + link + " --addr " + address);
    return exitcode::Ok;
}

}  // namespace

secure::Secret passwordFromStdin() {
    return operations::readSecretLine(std::cin).value_or(secure::Secret());
}

void connectBySerial(app::Program& program, const LinkChoice& choice) {
    if (choice.passwordStdin) program.comm.NetworkPassword = passwordFromStdin();
    std::string why;
    if (!operations::chooseController(program, choice.serial, why)) throw LinkError{why};
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
    discover->callback(
        [&options, d] { options.run = [&options, d] { return runDiscover(options, *d); }; });

    auto serial = std::make_shared<std::string>();
    auto passwordStdin = std::make_shared<bool>(false);
    CLI::App* connect = app.add_subcommand(
        "connect",
        "Connect to a controller found on the network; prints the link for later commands");
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
