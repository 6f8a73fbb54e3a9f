// krelvan-cli tcpip get|set|setup SERIAL [KEY=VALUE...]: the TCP/IP settings dialog without the
// window. The controller is chosen as the search dialog's OK does; KEY=VALUE edits go into the
// dialog's fields, and OK or "Load settings and close" stores, writes and sets up, with the
// dialog's own checks. Passwords are asked for (--ask-password FIELD), never taken as values.
#include <iostream>
#include <map>
#include <memory>
#include <set>

#include "app/Program.h"
#include "cli/CommonArgs.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Session.h"
#include "network/FormTCPSettings.h"
#include "network/InputBox.h"
#include "network/TcpIpSettings.h"

namespace cli {
namespace {

using network::FormTCPSettings;

struct TcpIpArgs {
    std::string action;
    std::string serial;
    std::vector<std::string> edits;
    std::vector<std::string> askPasswords;
    bool passwordStdin = false;
};

// Checked before anything is sent (see booleanKeys), so an unknown text never reaches here.
bool yes(const std::string& v) { return parseBoolean(v).value_or(false); }

// The switches among the settings: their values must be a Boolean text parseBoolean knows.
bool booleanKey(const std::string& key) {
    return key == "DHCP" || key == "EncryptedCom" || key == "BACnetIpEnable";
}

template <ui::TextBox FormTCPSettings::*Box>
void setText(FormTCPSettings& f, const std::string& v) {
    (f.*Box).text = v;
}
template <ui::CheckBox FormTCPSettings::*Box>
void setFlag(FormTCPSettings& f, const std::string& v) {
    (f.*Box).value = yes(v);
}

// The record's fields by name, as the dialog's controls edit them.
const std::map<std::string, void (*)(FormTCPSettings&, const std::string&)>& editors() {
    static const std::map<std::string, void (*)(FormTCPSettings&, const std::string&)> e = {
        {"DHCP",
         [](FormTCPSettings& f, const std::string& v) {
             if (yes(v))
                 f.rbDHCP_Click();
             else
                 f.rbIP_Click();
         }},
        {"IP", &setText<&FormTCPSettings::tbIP>},
        {"Subnet", &setText<&FormTCPSettings::tbSub>},
        {"Gateway", &setText<&FormTCPSettings::tbGateway>},
        {"DNSServer", [](FormTCPSettings& f, const std::string& v) { f.tbDNSServer1_Change(v); }},
        {"DNSServer2", &setText<&FormTCPSettings::tbDNSserver2>},
        {"FullDNS", &setText<&FormTCPSettings::tbDNSName>},
        {"MainComputerAddr", &setText<&FormTCPSettings::tbMainCompIP>},
        {"EncryptedCom", &setFlag<&FormTCPSettings::CtrlEncryptedCom>},
        {"EmailServerAddress", &setText<&FormTCPSettings::CtrlEmailServerAddress>},
        {"EmailLoginName", &setText<&FormTCPSettings::CtrlEmailLoginName>},
        {"EmailSenderAddress", &setText<&FormTCPSettings::CtrlEmailSenderAddress>},
        {"BACnetDeviceName", &setText<&FormTCPSettings::CtrlBACnetDeviceName>},
        {"BACnetDeviceID", &setText<&FormTCPSettings::CtrlBACnetDeviceID>},
        {"BACnetIpUDPport", &setText<&FormTCPSettings::CtrlBACnetIpUdpPortNumber>},
        {"BACnetIpEnable", &setFlag<&FormTCPSettings::CtrlBACnetIPEnable>},
    };
    return e;
}

// Password fields asked for with --ask-password.
const std::map<std::string, int>& passwordFields() {
    static const std::map<std::string, int> p = {{"EncryptedPass", 0},
                                                 {"WebGuestPass", 1},
                                                 {"WebOperatorPass", 2},
                                                 {"WebServicePass", 3},
                                                 {"EmailLoginPass", 4}};
    return p;
}

// Keys the write sequence leaves out: only the set-up sends them to the controller.
bool setupOnly(const std::string& key) {
    static const std::set<std::string> keys = {
        "DHCP",       "IP",      "Subnet",           "Gateway",     "DNSServer",
        "DNSServer2", "FullDNS", "MainComputerAddr", "EncryptedCom"};
    return keys.count(key) != 0;
}

// The settings as `tcpip get` shows them, in the order of the dialog's record; secrets only as
// whether they are set.
Json settingsJson(const app::Program& program) {
    const auto& c = program.TcpCfg;
    const auto& k = program.current;
    auto secret = [](bool known, const std::string& v) {
        return !known ? "(unknown)" : v.empty() ? "(empty)" : "(set)";
    };
    Json j;
    j["CurrentName"] = k.CurrentName;
    j["CurrentSN"] = k.CurrentSN;
    j["CurrentMAC"] = k.CurrentMAC;
    j["CurrentDesc"] = k.CurrentDesc;
    j["ControllerOsKind"] = program.connection.ControllerOsKind;
    j["DHCP"] = c.DHCP;
    j["IP"] = c.IP;
    j["Subnet"] = c.Subnet;
    j["Gateway"] = c.Gateway;
    j["DNSServer"] = c.DNSServer;
    j["DNSServer2"] = c.DNSServer2;
    j["FullDNS"] = c.FullDNS;
    j["MainComputerAddr"] = c.MainComputerAddr;
    j["EncryptedCom"] = c.EncryptedCom;
    j["EncryptedPass"] = secret(c.EncryptedPassKnown, c.EncryptedPass);
    j["WebGuestPass"] = secret(c.WebGuestPassKnown, c.WebGuestPass);
    j["WebOperatorPass"] = secret(c.WebOperatorPassKnown, c.WebOperatorPass);
    j["WebServicePass"] = secret(c.WebServicePassKnown, c.WebServicePass);
    j["EmailServerAddress"] = c.EmailServerAddress;
    j["EmailLoginName"] = c.EmailLoginName;
    j["EmailLoginPass"] = secret(c.EmailLoginPassKnown, c.EmailLoginPass);
    j["EmailSenderAddress"] = c.EmailSenderAddress;
    j["HttpEnable"] = c.HttpEnable;
    j["HttpPort"] = c.HttpPort;
    j["HttpActiveSitePartition"] = c.HttpActiveSitePartition;
    j["HttpActiveSubSite"] = c.HttpActiveSubSite;
    j["BACnetDeviceName"] = c.BACnetDeviceName;
    j["BACnetDeviceID"] = c.BACnetDeviceID;
    j["BACnetIpUDPport"] = c.BACnetIpUDPport;
    j["BACnetIpEnable"] = c.BACnetIpEnable;
    return j;
}

// KEY=VALUE lines, flags as 1 or 0: what scripts have always read.
void printLines(const Json& settings) {
    for (const auto& [key, value] : settings.items()) {
        std::cout << key << '=';
        if (value.is_string())
            std::cout << value.get<std::string>();
        else if (value.is_boolean())
            std::cout << (value.get<bool>() ? 1 : 0);
        else
            std::cout << value.dump();
        std::cout << '\n';
    }
}

// The settings named as variables need the naming library's project, which the window has from
// the revision the engineer picked: take the catalogue's first revision of the controller's
// model that has one. False when the catalogue has none. The catalogue is read already.
bool selectRevisionOfController(app::Program& program) {
    app::FormMain& form = program.formMain;
    const auto& models = program.catalogue.ModelList;
    for (size_t m = 0; m < models.size(); ++m) {
        if (std::to_string(static_cast<long>(models[m].Model)) != program.connection.ModelCode)
            continue;
        form.CtrlModels_ItemClick(static_cast<int>(m) + 1);
        for (size_t p = 1; p <= form.CtrlPrograms.items.size(); ++p) {
            program.catalogue.SelectedProjectFolder.clear();
            form.CtrlPrograms_ItemClick(static_cast<int>(p));
            if (!program.catalogue.SelectedProjectFolder.empty() &&
                program.catalogue.ProjectNameHandle != 0)
                return true;
        }
    }
    return false;
}

int runTcpIp(const Options& options, const TcpIpArgs& args) {
    if (args.action != "get" && args.action != "set" && args.action != "setup")
        throw UsageError{"the action is get, set or setup, not " + args.action};
    if (args.action == "get" && (!args.edits.empty() || !args.askPasswords.empty()))
        throw UsageError{"get takes no settings"};
    for (const auto& e : args.edits) {
        const auto eq = e.find('=');
        const std::string key = e.substr(0, eq);
        if (passwordFields().count(key))
            throw UsageError{key + " is a password: use --ask-password " + key};
        if (eq == std::string::npos || !editors().count(key))
            throw UsageError{"unknown setting " + e + " (KEY=VALUE, keys as `tcpip get` prints)"};
        // An unknown text must not quietly mean off: DHCP=on once gave a fixed address.
        if (booleanKey(key) && !parseBoolean(e.substr(eq + 1)))
            throw UsageError{e + ": " + key + " is on or off: give -1, 0, true, false, yes, no, "
                             "on or off"};
        if (args.action == "set" && setupOnly(key))
            throw UsageError{key +
                             " reaches the controller only with the set-up: use `tcpip setup " +
                             args.serial + " " + e + "`"};
    }
    for (const auto& p : args.askPasswords)
        if (!passwordFields().count(p)) throw UsageError{p + " is not a password field"};

    Session session(options.machineDir, std::cerr);
    app::Program& program = session.program();
    program.formMain.Form_Load();  // the catalogue, as the window starts
    connectBySerial(program, {"", args.serial, args.passwordStdin});
    if (program.connection.ControllerOsKind == "C") {
        if (!selectRevisionOfController(program)) {
            std::cerr << "error: the catalogue has no program of the controller's model "
                      << program.connection.ModelCode
                      << ", whose names the settings of a KVXreal C controller need\n";
            return exitcode::Failed;
        }
        // Read again now that every setting can be named.
        const auto& c = program.connection;
        network::ReadKvxrealCSettings(program, c.CurrentPLA, c.CurrentELA);
    }
    if (args.action == "get") {
        const Json settings = settingsJson(program);
        if (chooseFormat(options.json) == OutputFormat::Json)
            std::cout << jsonText(settings) << '\n';
        else
            printLines(settings);
        return exitcode::Ok;
    }
    FormTCPSettings form(program);
    form.Form_Load();
    for (const auto& e : args.edits) {
        const auto eq = e.find('=');
        editors().at(e.substr(0, eq))(form, e.substr(eq + 1));
    }
    for (const auto& p : args.askPasswords) {
        const auto typed = network::AskInput(program.platform, p + ":", "", true);
        if (!typed) throw UsageError{"no password typed for " + p};
        const int field = passwordFields().at(p);
        if (field == 0)
            form.CtrlEncryptedPass_Change(*typed);
        else if (field == 4)
            form.CtrlEmailLoginPass.text = *typed;
        else
            form.CtrlWebUserPass_Change(field, *typed);
    }
    if (args.action == "set")
        form.CmdOk_Click();
    else
        form.btnSetup_Click();
    // A field was refused or the controller did not take a setting; the message says which.
    if (!form.Result || !form.WriteFailures.empty()) return exitcode::Failed;
    if (args.action == "set" && program.connection.ControllerOsKind != "C")
        std::cerr << "note: this controller's port takes its settings with `tcpip setup`\n";
    const bool ok = args.action == "set" || form.SetupResult;
    printResult(std::cout, chooseFormat(options.json),
                {{"serial", args.serial}, {"action", args.action}, {"ok", ok}}, "");
    return ok ? exitcode::Ok : exitcode::Failed;
}

}  // namespace

void addTcpIpCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<TcpIpArgs>();
    CLI::App* cmd = app.add_subcommand(
        "tcpip", "Show, change or set up the TCP/IP settings of a controller on the network");
    cmd->add_option("ACTION", args->action, "get, set (store and write) or setup (also apply)")
        ->required()
        ->check(CLI::IsMember({"get", "set", "setup"}));
    cmd->add_option("SERIAL", args->serial, "serial number of the controller")->required();
    cmd->add_option("SETTINGS", args->edits, "KEY=VALUE edits, keys as `tcpip get` prints");
    cmd->add_option("--ask-password", args->askPasswords,
                    "prompt for this password field (EncryptedPass, WebGuestPass, ...)");
    cmd->add_option("--machine", options.machineDir, "machine folder (Kvxmatic.Ini)");
    cmd->add_flag("--password-stdin", args->passwordStdin,
                  "read the network password from the first line of stdin");
    cmd->callback(
        [&options, args] { options.run = [&options, args] { return runTcpIp(options, *args); }; });
}

}  // namespace cli
