#include "network/FormTCPSettings.h"

#include <iterator>
#include <utility>

#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Texts.h"
#include "network/ControllerLookup.h"
#include "network/SettingsChecks.h"
#include "network/TcpIpSettings.h"

namespace network {
namespace {

const char* const kDefaultWebPass[] = {"", "tarpe", "wendolin", "mirasol"};

// The record's web password of dialog index 1 guest, 2 operator, 3 service.
struct WebPass {
    std::string TcpCfg::*value;
    bool TcpCfg::*known;
};
const WebPass kWebPass[] = {{nullptr, nullptr},
                            {&TcpCfg::WebGuestPass, &TcpCfg::WebGuestPassKnown},
                            {&TcpCfg::WebOperatorPass, &TcpCfg::WebOperatorPassKnown},
                            {&TcpCfg::WebServicePass, &TcpCfg::WebServicePassKnown}};

// A text setting of the record with its dialog field, the variable whose length limit it has,
// and what the user calls it.
struct TextSetting {
    ui::TextBox FormTCPSettings::*box;
    std::string TcpCfg::*value;
    bool TcpCfg::*known;
    const char* variable;
    const char* what;
};
const TextSetting kTextSettings[] = {
    {&FormTCPSettings::tbMainCompIP, &TcpCfg::MainComputerAddr, &TcpCfg::MainComputerAddrKnown,
     "QCom.MainComputerAddr", "The network address to the main computer"},
    {&FormTCPSettings::CtrlEmailServerAddress, &TcpCfg::EmailServerAddress,
     &TcpCfg::EmailServerAddressKnown, "QServices.EmailServerAddress",
     "The e-mail server address"},
    {&FormTCPSettings::CtrlEmailLoginName, &TcpCfg::EmailLoginName, &TcpCfg::EmailLoginNameKnown,
     "QServices.EmailLoginName", "The e-mail login name"},
    {&FormTCPSettings::CtrlEmailLoginPass, &TcpCfg::EmailLoginPass, &TcpCfg::EmailLoginPassKnown,
     "QServices.EmailLoginPass", "The e-mail login password"},
    {&FormTCPSettings::CtrlEmailSenderAddress, &TcpCfg::EmailSenderAddress,
     &TcpCfg::EmailSenderAddressKnown, "QServices.EmailSenderAddress",
     "The e-mail sender address"},
    {&FormTCPSettings::CtrlBACnetDeviceName, &TcpCfg::BACnetDeviceName,
     &TcpCfg::BACnetDeviceNameKnown, "QServices.BACnetDeviceName", "The BACnet device name"},
};

// A value the controller did not tell shows empty: it is not the controller's.
std::string shownNumber(int32_t value, bool known) { return known ? std::to_string(value) : ""; }

std::string addressText(const program::Program& program) {
    return std::to_string(program.connection.CurrentPLA) + ":" +
           std::to_string(program.connection.CurrentELA);
}

// The controller as the status line names it (the window shows its address beside it).
std::string controllerText(const program::Program& program) {
    const CurrentController& c = program.current;
    if (!c.CurrentName.empty()) return c.CurrentName;
    if (!c.CurrentSN.empty()) return c.CurrentSN;
    return "the controller at " + addressText(program);
}

}  // namespace

FormTCPSettings::FormTCPSettings(program::Program& program) : program_(program) {
    CtrlTab.tabs = {"General", "Connection to Main Computer", "Security", "E-mail", "Bacnet"};
    rbDHCP.caption = "Obtain IP settings &automatically (by DHCP)";
    rbIP.caption = "U&se the following IP settings:";
    LabelParaIPaddr.caption = "&IP address:";
    LabelParaSubnetMask.caption = "Sub&net mask:";
    LabelParaDefGateway.caption = "Default &gateway:";
    LabelParaDNSServer.caption = "DNS s&erver addresses:";
    LabelIPInfo[1].caption =
        "You can get IP settings assigned automatically if the network supports this capability "
        "(DHCP). Otherwise you have to ask the network administrator for appropriate IP settings.";
    LabelDNS[2].caption = "DNS Name";
    LabelDNSHostName.caption = "&Host name:";
    LabelDNSDomain.caption = "&Domain:";
    LabelDNSName[0].caption = "Full DNS Name:";
    LabelDNSInfo[0].caption =
        "Enter the host name and domain, the unit shall register automatically. Ask the network "
        "administrator for the appropriate domain.";
    LabelDNSInfo[1].caption =
        "If the unit is configured to obtain IP settings automatically (by DHCP), the unit will "
        "try to register this name in the DNS server. It makes it possible for the main computer "
        "to connect to this unit using the DNS name as network address.";
    LabelDNSInfo[2].caption = "";
    tbDNSName.enabled = false;
    LabelIPSettings[1].caption = "Connection to the Main Computer";
    LabelConnect[5].caption =
        "You must decide how the connection between the main computer and the unit shall be "
        "established.";
    LabelConnect[6].caption =
        "If the unit is configured with a public IP address or DNS name then the main computer "
        "can use that to initiate connection to the unit. Do NOT enter a network address if you "
        "want the main computer to initiate connection to the unit. ";
    LabelConnect[7].caption =
        "You can let the unit initiate connection to the main computer. Enter the public netowrk "
        "address (IP address or DNS name) of the main computer This does NOT change the "
        "direction of communication. The main computer will still be the master.";
    LabelConnect[8].caption = "Network &address to the main computer:";
    LabelDNSServers[4].caption = "DNS Servers";
    LabelDNSServers[5].caption = "Use the following &DNS server addresses:";
    LabelDNSServers[6].caption =
        "If the unit is configured to obtain IP settings automatically (by DHCP) it might get the "
        "DNS server addresses automatically. Otherwise it will use the manually configured DNS "
        "server adresses above.";
    LabelDNSServers[7].caption =
        "A DNS server address is needed if the unit shall be able to initate connection to the "
        "main computer with a DNS name as network address.";
    LabelRequirePassword[0].caption = "Use Encrypted Communication";
    LabelRequirePassword[1].caption =
        "All computers (and other controllers) must use the encryption password (below) to be "
        "able to communicate with this unit on the network.";
    CtrlEncryptedCom.caption = "&Require to use encrypted network communication";
    LabelSystemPassword[0].caption = "Network Encryption &Password";
    LabelSystemPassword[1].caption =
        "This password must be used by computers (and other controllers) for encrypted "
        "communication with this unit.";
    LabelLoginPasswords[0].caption = "&Service:";
    LabelLoginPasswords[1].caption = "&Operator:";
    LabelLoginPasswords[2].caption = "&Guest:";
    LabelLoginPasswords[3].caption = "Web User Login Passwords:";
    LabelUserLogin[2].caption =
        "To be able to change any settings in the Web site you must login as an Operator or "
        "Service, login as Guest can only view actual values.";
    for (int i = 1; i <= 3; ++i) CtrlWebUserPass[i];
    LabelMailServer[1].caption = "E-mail Server Settings";
    LabelMailServerAddress.caption = "Network &address to the E-mail server:";
    LabelMailServerLoginName.caption = "Login &Name:";
    LabelMailServerLoginPassword.caption = "Login &Password:";
    LabelMailServer[0].caption =
        "To be able to send E-mails the unit needs to use a SMTP E-mail server. Enter the DNS "
        "name or IP address of the server above. The server might require an user name and a "
        "password for authentication. The unit supports the authentication type LOGIN.";
    LabelMailSenderAddress[0].caption =
        "The sender address of the e-mails the unit sends must normally have the same domain as "
        "the e-mail server.";
    LabelMailSenderAddress[1].caption = "Example:";
    LabelMailSenderAddress[2].caption = "boiler-room@example.com";
    LabelMailServer[4].caption = "BACnet settings";
    CtrlBACnetIPEnable.caption = "Enable BACnet/IP";
    LabelBACnetIPUDPPort[3].caption = "BACnet/IP UDP port number:";
    LabelBACnetDeviceID[3].caption = "BACnet Device ID:";
    LabelBACnetDeviceName.caption = "BACnet device name:";
    CmdOk.caption = "OK";
    CmdCancel.caption = "Cancel";
    btnSetup.caption = "Load settings and close";
    for (int i : {2, 3, 4, 5, 6, 7, 13, 14}) Image[i];
    // Web and e-mail settings stay disabled unless the selected revision has them.
    for (ui::Control* c : webControls()) c->enabled = false;
    for (ui::Control* c : emailControls()) c->enabled = false;
}

std::vector<ui::Control*> FormTCPSettings::webControls() {
    std::vector<ui::Control*> out{&LabelUserLogin[2], &Image[5]};
    for (int i = 0; i <= 3; ++i) out.push_back(&LabelLoginPasswords[i]);
    for (auto& [i, box] : CtrlWebUserPass) out.push_back(&box);
    return out;
}

std::vector<ui::Control*> FormTCPSettings::emailControls() {
    return {&CtrlEmailServerAddress,     &CtrlEmailSenderAddress,
            &CtrlEmailLoginName,         &CtrlEmailLoginPass,
            &LabelMailServerAddress,     &LabelMailServerLoginName,
            &LabelMailServerLoginPassword, &LabelMailServer[0],
            &LabelMailServer[1],         &LabelMailSenderAddress[0],
            &LabelMailSenderAddress[1],  &LabelMailSenderAddress[2],
            &Image[6],                   &Image[7]};
}

void FormTCPSettings::Form_Load() {
    loading_ = true;
    if (!program_.comm.PortOsUpgradeRunning) {
        readFromController();
        SetParams();
        SetLanguage();
        loading_ = false;
        SetUIState();
    }
    if (program_.SelectedHasWebSite)
        for (ui::Control* c : webControls()) c->enabled = true;
    if (program_.SelectedHasEMail)
        for (ui::Control* c : emailControls()) c->enabled = true;
    program_.mainWindow.SaveLoadSettings.enabled = program_.SelectedSettingsPackage.size() >= 2;
}

// The values this controller has now: what was read earlier (or never, after the automatic
// detection) may no longer be its own.
void FormTCPSettings::readFromController() {
    const clink::Connection& c = program_.connection;
    if (c.ControllerOsKind != "C" || c.CurrentLink == 0 || !EnsureCurrentAddress(program_)) return;
    ReadKvxrealCSettings(program_, c.CurrentPLA, c.CurrentELA);
}

void FormTCPSettings::SetParams() {
    const TcpCfg& cfg = program_.TcpCfg;
    rbDHCP.value = cfg.DHCP;
    rbIP.value = !cfg.DHCP;
    tbIP.text = cfg.IP;
    tbSub.text = cfg.Subnet;
    tbGateway.text = cfg.Gateway;
    tbDNS.text = cfg.DNSServer;
    tbDNSServer1.text = cfg.DNSServer;
    tbDNSserver2.text = cfg.DNSServer2;
    if (cfg.FullDNS.empty()) {
        tbDNSName.text.clear();
        tbHostName.text.clear();
        tbDomain.text.clear();
    } else if (const auto dot = cfg.FullDNS.find('.'); dot != std::string::npos) {
        tbDNSName.text = cfg.FullDNS;
        tbHostName.text = cfg.FullDNS.substr(0, dot);
        tbDomain.text = cfg.FullDNS.substr(dot + 1);
    } else {
        tbDNSName.text = cfg.FullDNS;
        tbHostName.text = cfg.FullDNS;
    }
    CtrlEncryptedCom.value = cfg.EncryptedCom;
    // A password the controller did not tell starts empty: it is not its value.
    CtrlEncryptedPass.text = cfg.EncryptedPassKnown ? cfg.EncryptedPass : "";
    for (int i = 1; i <= 3; ++i) {
        const std::string& value = cfg.*kWebPass[i].value;
        CtrlWebUserPass[i].text =
            !(cfg.*kWebPass[i].known) ? "" : value.empty() ? kDefaultWebPass[i] : value;
    }
    for (size_t i = 0; i < std::size(kTextSettings); ++i) {
        const TextSetting& t = kTextSettings[i];
        (this->*t.box).text = cfg.*t.known ? cfg.*t.value : "";
        shownTexts_[i] = (this->*t.box).text;
    }
    CtrlBACnetDeviceID.text = shownNumber(cfg.BACnetDeviceID, cfg.BACnetDeviceIDKnown);
    CtrlBACnetIpUdpPortNumber.text = shownNumber(cfg.BACnetIpUDPport, cfg.BACnetIpUDPportKnown);
    CtrlBACnetIPEnable.value = cfg.BACnetIpEnableKnown && cfg.BACnetIpEnable;
    shownDeviceId_ = CtrlBACnetDeviceID.text;
    shownUdpPort_ = CtrlBACnetIpUdpPortNumber.text;
    shownBACnetIpEnable_ = CtrlBACnetIPEnable.value;
    encryptedPassEdited_ = false;
    webPassEdited_.clear();
    dnsFromGeneralTab_ = false;
}

void FormTCPSettings::SetUIState() {
    if (loading_) return;
    const bool manual = rbIP.value;
    for (ui::Control* c :
         {&LabelParaIPaddr, static_cast<ui::Control*>(&tbIP), &LabelParaSubnetMask,
          static_cast<ui::Control*>(&tbSub), &LabelParaDefGateway,
          static_cast<ui::Control*>(&tbGateway), &LabelParaDNSServer, &LabelIPInfo[1],
          &LabelDNSServers[4], &LabelDNSServers[5], &LabelDNSServers[6], &LabelDNSServers[7],
          static_cast<ui::Control*>(&tbDNSServer1), static_cast<ui::Control*>(&tbDNSserver2),
          &Image[13]})
        c->enabled = manual;
    for (ui::Control* c : {&LabelDNS[2], static_cast<ui::Control*>(&tbHostName),
                           static_cast<ui::Control*>(&tbDomain), &LabelDNSInfo[0],
                           &LabelDNSInfo[1], &LabelDNSInfo[2], &LabelDNSHostName, &LabelDNSDomain})
        c->enabled = !manual;
}

void FormTCPSettings::SetLanguage() {
    auto& glib = program_.platform.glib;
    auto t = [&](int n) { return catalogue::GetText(glib, n); };
    Caption = t(4532);
    // The texts are looked up in this order.
    const std::pair<ui::Control*, int> captions[] = {
        {&rbDHCP, 4514},
        {&rbIP, 4515},
        {&LabelParaIPaddr, 4516},
        {&LabelParaSubnetMask, 4517},
        {&LabelParaDefGateway, 4518},
        {&LabelParaDNSServer, 4527},
        {&LabelIPInfo[1], 4519},
        {&LabelDNS[2], 4520},
        {&LabelDNSName[0], 4521},
        {&LabelDNSInfo[0], 4522},
        {&LabelDNSInfo[1], 4525},
        {&LabelDNSInfo[2], 4526},
        {&LabelDNSHostName, 4523},
        {&LabelDNSDomain, 4524},
        {&LabelRequirePassword[0], 4570},
        {&CtrlEncryptedCom, 4571},
        {&LabelRequirePassword[1], 4572},
        {&LabelSystemPassword[0], 4573},
        {&LabelSystemPassword[1], 4574},
        {&LabelLoginPasswords[0], 4575},
        {&LabelLoginPasswords[1], 4576},
        {&LabelLoginPasswords[2], 4577},
        {&LabelLoginPasswords[3], 4587},
        {&LabelUserLogin[2], 4578},
        {&LabelMailServer[0], 4579},
        {&LabelMailServerAddress, 4580},
        {&LabelMailServerLoginName, 4581},
        {&LabelMailServerLoginPassword, 4582},
        {&LabelMailServer[1], 4583},
        {&LabelMailSenderAddress[0], 4584},
        {&LabelMailSenderAddress[1], 4585},
        {&LabelMailSenderAddress[2], 4586},
        {&btnSetup, 4529},
        {&CmdOk, 4530},
        {&CmdCancel, 4531},
    };
    for (const auto& [control, number] : captions) control->caption = t(number);
}

void FormTCPSettings::rbDHCP_Click() {
    rbDHCP.value = true;
    rbIP.value = false;
    SetUIState();
}

void FormTCPSettings::rbIP_Click() {
    rbIP.value = true;
    rbDHCP.value = false;
    SetUIState();
}

void FormTCPSettings::joinDnsName() {
    const std::string& host = tbHostName.text;
    const std::string& domain = tbDomain.text;
    tbDNSName.text = !host.empty() && !domain.empty() ? host + "." + domain : host + domain;
}

void FormTCPSettings::tbHostName_Change(const std::string& text) {
    tbHostName.text = text;
    joinDnsName();
}

void FormTCPSettings::tbDomain_Change(const std::string& text) {
    tbDomain.text = text;
    joinDnsName();
}

void FormTCPSettings::tbDNS_Change(const std::string& text) {
    tbDNS.text = text;
    dnsFromGeneralTab_ = true;
}

void FormTCPSettings::tbDNSServer1_Change(const std::string& text) {
    tbDNSServer1.text = text;
    dnsFromGeneralTab_ = false;
}

void FormTCPSettings::CtrlEncryptedPass_Change(const std::string& text) {
    CtrlEncryptedPass.text = text;
    encryptedPassEdited_ = true;
    if (!text.empty() && !PasswordCharactersAllowed(program_.platform.glib, text))
        catalogue::ShowErrorMessage(program_.platform.glib,
                                    catalogue::GetText(program_.platform.glib, 353));
}

void FormTCPSettings::CtrlEncryptedPass_LostFocus() {
    const std::string& text = CtrlEncryptedPass.text;
    if (text.empty() || PasswordCharactersAllowed(program_.platform.glib, text)) return;
    catalogue::ShowErrorMessage(program_.platform.glib,
                                catalogue::GetText(program_.platform.glib, 354));
    FocusTo = "CtrlEncryptedPass";
}

void FormTCPSettings::CtrlWebUserPass_Change(int index, const std::string& text) {
    CtrlWebUserPass[index].text = text;
    webPassEdited_[index] = true;
    if (!text.empty() && !PasswordCharactersAllowed(program_.platform.glib, text))
        catalogue::ShowErrorMessage(program_.platform.glib, "Ogiltigt tecken");
}

void FormTCPSettings::CtrlWebUserPass_LostFocus(int index) {
    const std::string& text = CtrlWebUserPass[index].text;
    if (text.empty() || PasswordCharactersAllowed(program_.platform.glib, text)) return;
    catalogue::ShowErrorMessage(program_.platform.glib,
                                catalogue::GetText(program_.platform.glib, 354));
    FocusTo = "CtrlWebUserPass_" + std::to_string(index);
}

bool FormTCPSettings::checkPasswords() {
    auto bad = [&](const ui::TextBox& box, const std::string& name) {
        if (box.text.empty() || PasswordCharactersAllowed(program_.platform.glib, box.text))
            return false;
        catalogue::ShowErrorMessage(program_.platform.glib,
                                    catalogue::GetText(program_.platform.glib, 354));
        FocusTo = name;
        return true;
    };
    if (bad(CtrlEncryptedPass, "CtrlEncryptedPass")) return false;
    for (const auto& [i, box] : CtrlWebUserPass)
        if (bad(box, "CtrlWebUserPass_" + std::to_string(i))) return false;
    return true;
}

// A controller refuses a text longer than its variable keeps, and the write sequence goes on
// without a word: refuse it here, before anything is written.
bool FormTCPSettings::checkLengths() {
    struct Field {
        const ui::TextBox& box;
        std::string variable;
        std::string what;
        std::string focus;
    };
    std::vector<Field> fields = {
        {tbDNSName, "QCom.ConfDNSName", "The full DNS name", "tbHostName"},
        {CtrlEncryptedPass, "QCom.EncryptionPasswordPrimary", "The network encryption password",
         "CtrlEncryptedPass"}};
    for (const auto& [i, box] : CtrlWebUserPass)
        fields.push_back({box, "QCom.EncryptionPassword" + std::to_string(i),
                          "A web user login password", "CtrlWebUserPass_" + std::to_string(i)});
    for (const TextSetting& t : kTextSettings)
        fields.push_back({this->*t.box, t.variable, t.what, ""});
    for (const Field& f : fields) {
        const auto limit = TooLongFor(f.variable, f.box.text);
        if (!limit) continue;
        catalogue::ShowErrorMessage(program_.platform.glib,
                                    f.what + " may be at most " + std::to_string(*limit) +
                                        " characters long; nothing was stored or written.");
        if (!f.focus.empty()) FocusTo = f.focus;
        return false;
    }
    return true;
}

bool FormTCPSettings::store() {
    auto& glib = program_.platform.glib;
    if (!checkPasswords() || !checkLengths()) return false;
    const std::string& dns = dnsFromGeneralTab_ ? tbDNS.text : tbDNSServer1.text;
    // A static address must be one; any address given must parse.
    struct Field {
        std::string text;
        bool required;
    };
    // With DHCP the address fields are not sent; the DNS servers may still be used.
    const bool manual = rbIP.value;
    for (const Field& f : {Field{manual ? tbIP.text : "", manual},
                           Field{manual ? tbSub.text : "", manual},
                           Field{manual ? tbGateway.text : "", false}, Field{dns, false},
                           Field{tbDNSserver2.text, false}}) {
        if ((f.text.empty() && !f.required) || IsDottedIpv4(f.text)) continue;
        catalogue::ShowErrorMessage(
            glib, (f.text.empty() ? std::string("An empty text") : f.text) +
                      " is not a valid IP address!");
        return false;
    }
    TcpCfg& cfg = program_.TcpCfg;
    // A number is taken when the controller told it or the user typed one.
    const bool idTaken = cfg.BACnetDeviceIDKnown || CtrlBACnetDeviceID.text != shownDeviceId_;
    const bool portTaken =
        cfg.BACnetIpUDPportKnown || CtrlBACnetIpUdpPortNumber.text != shownUdpPort_;
    const auto deviceId = idTaken ? DecimalInt32(CtrlBACnetDeviceID.text) : cfg.BACnetDeviceID;
    const auto udpPort = portTaken ? DecimalInt32(CtrlBACnetIpUdpPortNumber.text)
                                   : cfg.BACnetIpUDPport;
    if (!deviceId || !udpPort) {
        catalogue::ShowErrorMessage(
            glib, std::string(!deviceId ? "BACnet Device ID" : "BACnet/IP UDP port number") +
                      " must be a whole decimal number from -2147483648 to 2147483647.");
        return false;
    }
    cfg.DHCP = rbDHCP.value;
    cfg.IP = tbIP.text;
    cfg.Subnet = tbSub.text;
    cfg.Gateway = tbGateway.text;
    cfg.DNSServer = dns;
    cfg.DNSServer2 = tbDNSserver2.text;
    cfg.FullDNS = tbDNSName.text;
    cfg.EncryptedCom = CtrlEncryptedCom.value;
    // Only what was typed here becomes the controller's password.
    if (encryptedPassEdited_) {
        cfg.EncryptedPass = CtrlEncryptedPass.text;
        cfg.EncryptedPassKnown = true;
    }
    for (int i = 1; i <= 3; ++i) {
        if (!webPassEdited_[i]) continue;
        cfg.*kWebPass[i].value = CtrlWebUserPass[i].text;
        cfg.*kWebPass[i].known = true;
    }
    // The other settings: what the controller told, or what was typed over it.
    for (size_t i = 0; i < std::size(kTextSettings); ++i) {
        const TextSetting& t = kTextSettings[i];
        if (!(cfg.*t.known) && (this->*t.box).text == shownTexts_[i]) continue;
        cfg.*t.value = (this->*t.box).text;
        cfg.*t.known = true;
    }
    cfg.BACnetDeviceID = *deviceId;
    cfg.BACnetDeviceIDKnown = idTaken;
    cfg.BACnetIpUDPport = *udpPort;
    cfg.BACnetIpUDPportKnown = portTaken;
    if (cfg.BACnetIpEnableKnown || CtrlBACnetIPEnable.value != shownBACnetIpEnable_) {
        cfg.BACnetIpEnable = CtrlBACnetIPEnable.value;
        cfg.BACnetIpEnableKnown = true;
    }
    return true;
}

bool FormTCPSettings::writeToController() {
    WriteFailures.clear();
    // The dialog closes on OK: the status line is what tells afterwards how it ended.
    std::string& status = program_.mainWindow.CtrlStatusLine.caption;
    if (program_.connection.ControllerOsKind != "C") {
        status = "Settings kept for the set-up of " + controllerText(program_) + ".";
        return true;
    }
    auto& glib = program_.platform.glib;
    if (!EnsureCurrentAddress(program_)) {
        catalogue::ShowErrorMessage(
            glib, "No controller answers at " + addressText(program_) +
                      ", so the settings were not written to any controller.");
        status = "Settings not written: no controller at " + addressText(program_) + ".";
        return false;
    }
    WriteFailures = WriteControllerTcpIpSettings(program_);
    if (!WriteFailures.empty()) {
        std::string names;
        for (const std::string& n : WriteFailures) names += "\n" + n;
        catalogue::ShowErrorMessage(glib, "The controller did not take these settings:" + names);
        status = "Settings saved to " + controllerText(program_) + " but " +
                 std::to_string(WriteFailures.size()) + " not taken.";
        return true;
    }
    status = "Settings saved to " + controllerText(program_) + ".";
    return true;
}

void FormTCPSettings::CmdOk_Click() {
    ui::HourglassScope hourglass(program_.platform.screen);
    if (!store() || !writeToController()) return;
    Result = true;
    Visible = false;
}

void FormTCPSettings::btnSetup_Click() {
    {
        ui::HourglassScope hourglass(program_.platform.screen);
        if (!store() || !writeToController()) return;
    }
    CmdSetup();
    program_.mainWindow.CtrlStatusLine.caption +=
        SetupResult ? " Set-up done." : " Set-up failed.";
    Result = true;
    Visible = false;
}

void FormTCPSettings::CmdSetup() {
    auto& glib = program_.platform.glib;
    program_.platform.screen.setPointer(ui::Pointer::Hourglass);
    Enabled = false;
    SetupResult = false;
    const std::string serial = program_.current.CurrentSN;
    const int16_t i = FindControllerBySerial(program_, serial, false);
    if (i != -1 && !program_.comm.finder->Item(i).Name().empty()) ConnectFoundController(program_, i);
    if (program_.current.CurrentSN == serial) {
        const bool ok = SetupResult = SetupControllerTcpIp(program_);
        catalogue::ShowInfoMessage(glib, catalogue::GetText(glib, ok ? 4558 : 4559) + " " +
                                             program_.current.CurrentName);
    }
    program_.platform.screen.setPointer(ui::Pointer::Default);
    Enabled = true;
}

void FormTCPSettings::CmdCancel_Click() {
    program_.mainWindow.CtrlStatusLine.caption = "Settings cancelled: nothing written.";
    Result = false;
    Visible = false;
}

}  // namespace network
