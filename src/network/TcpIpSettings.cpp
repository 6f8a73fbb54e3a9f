#include "network/TcpIpSettings.h"

#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/WaitSeconds.h"
#include "link/ByName.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "network/ControllerLookup.h"
#include "platform/text/Text.h"

namespace network {
namespace {

using components::FoundController;
using wire::PortField;

constexpr int16_t kSystem = 241, kServices = 242, kCom = 248, kTcpIp = 250;
constexpr uint32_t kEncryption = wire::kCapabilityEncryption;
constexpr uint32_t kEmail = wire::kCapabilityEmail;
const char* const kNoEncryption =
    "The controller doesn't support encrypted communication, you must upgrade TCP/IP-os";

std::string address(const std::string& reported) {
    return reported == "0.0.0.0" ? std::string() : reported;
}

// The dotted IPv4 text as the socket library converts it: nothing for a text that does not
// convert and for the all-ones value it gives such texts.
bool validIpv4(const std::string& text) {
    auto a = components::parseDotted(text);
    return a && *a != wire::Ipv4{255, 255, 255, 255};
}

// A password field of the record with the found controller's property that carries it.
struct Secret {
    std::string TcpCfg::*value;
    bool TcpCfg::*known;
    PortField field;
    const char* variable;
};

constexpr Secret kSecrets[] = {
    {&TcpCfg::EncryptedPass, &TcpCfg::EncryptedPassKnown, PortField::EncryptionPasswordPrimary,
     "QCom.EncryptionPasswordPrimary"},
    {&TcpCfg::WebGuestPass, &TcpCfg::WebGuestPassKnown, PortField::EncryptionPassword1,
     "QCom.EncryptionPassword1"},
    {&TcpCfg::WebOperatorPass, &TcpCfg::WebOperatorPassKnown, PortField::EncryptionPassword2,
     "QCom.EncryptionPassword2"},
    {&TcpCfg::WebServicePass, &TcpCfg::WebServicePassKnown, PortField::EncryptionPassword3,
     "QCom.EncryptionPassword3"},
    {&TcpCfg::WebAdminPass, &TcpCfg::WebAdminPassKnown, PortField::EncryptionPassword4,
     "QCom.EncryptionPassword4"},
};

// Whether the finder last heard the current controller say it has a network password.
bool knownToHavePassword(const program::Program& program) {
    const auto& finder = program.comm.finder;
    if (!finder) return false;
    for (int32_t i = 0; i < finder->Count(); ++i) {
        const auto& r = finder->Item(i).reported();
        if (r.serialNumber == program.current.CurrentSN)
            return r.passwordSet || r.encryptionRequired;
    }
    return false;
}

// An e-mail setting with the found controller's property that carries it.
struct EmailField {
    std::string TcpCfg::*value;
    bool TcpCfg::*known;
    PortField field;
};

constexpr EmailField kEmailFields[] = {
    {&TcpCfg::EmailServerAddress, &TcpCfg::EmailServerAddressKnown, PortField::EmailServerAddress},
    {&TcpCfg::EmailSenderAddress, &TcpCfg::EmailSenderAddressKnown, PortField::EmailSenderAddress},
    {&TcpCfg::EmailLoginName, &TcpCfg::EmailLoginNameKnown, PortField::EmailLoginName},
    {&TcpCfg::EmailLoginPass, &TcpCfg::EmailLoginPassKnown, PortField::EmailLoginPass},
};

// The writes of one sequence; each failed one is remembered by the setting's name, so the
// caller can say what the controller did not take although the sequence goes on.
class Writer {
  public:
    Writer(program::Program& program, int16_t pla, int16_t ela)
        : program_(program), pla_(pla), ela_(ela) {}

    bool var(const std::string& name, const clink::VarValue& value) {
        int32_t status = 0;
        bool ok = false;
        try {
            ok = clink::WriteVar(program_, pla_, ela_, name, value, clink::flags::Normal, status);
        } catch (const std::exception&) {
            ok = false;  // a value the variable cannot take is a failed write
        }
        return note(ok, name);
    }
    bool vars(const std::string& a, const std::string& b) {
        int32_t status = 0;
        return note(clink::WriteVars(program_, pla_, ela_, a, true, b, true, clink::flags::Normal,
                                     status),
                    a + " and " + b);
    }
    bool text(int16_t file, int32_t index, const std::string& value, const std::string& name,
              const std::u16string& label = u"") {
        int32_t status = 0;
        return note(clink::WriteText(program_.platform.glib, program_.connection.CurrentLink, pla_,
                                     ela_, file, 0, index, text::toWide(value),
                                     clink::flags::Normal, status, label),
                    name);
    }
    bool flag(int16_t file, int32_t index, const std::string& name) {
        int32_t status = 0;
        return note(clink::WriteBool(program_.platform.glib, program_.connection.CurrentLink, pla_,
                                     ela_, file, 0, index, -1, clink::flags::Normal, status, u""),
                    name);
    }
    // A setting of the record, only when it is known.
    template <class T>
    void known(bool TcpCfg::*mark, const std::string& name, const T& value) {
        if (program_.TcpCfg.*mark) var(name, value);
    }
    void knownText(bool TcpCfg::*mark, int16_t file, int32_t index, const std::string& value,
                   const std::string& name) {
        if (program_.TcpCfg.*mark) text(file, index, value, name);
    }
    // Only the passwords that are known; the others stay as the controller has them. A
    // controller without a network password takes its first one in clear (there is nothing
    // to prove yet): the user hears so before it is sent.
    void secrets() {
        const TcpCfg& cfg = program_.TcpCfg;
        const bool giving = cfg.EncryptedPassKnown && !cfg.EncryptedPass.empty();
        if (giving && program_.connection.CommKind == 2 && !knownToHavePassword(program_))
            catalogue::ShowInfoMessage(program_.platform.glib, kFirstPassword);
        else if (giving && program_.connection.CommKind != 2)
            catalogue::ShowInfoMessage(program_.platform.glib, kFirstPasswordSerial);
        for (const Secret& s : kSecrets)
            if (program_.TcpCfg.*s.known) var(s.variable, program_.TcpCfg.*s.value);
    }
    // The e-mail settings that are known, in the order the port expects them.
    void email() {
        const TcpCfg& cfg = program_.TcpCfg;
        knownText(&TcpCfg::EmailServerAddressKnown, kServices, 4, cfg.EmailServerAddress,
                  "QServices.EmailServerAddress");
        knownText(&TcpCfg::EmailSenderAddressKnown, kServices, 24, cfg.EmailSenderAddress,
                  "QServices.EmailSenderAddress");
        knownText(&TcpCfg::EmailLoginNameKnown, kServices, 7, cfg.EmailLoginName,
                  "QServices.EmailLoginName");
        knownText(&TcpCfg::EmailLoginPassKnown, kServices, 10, cfg.EmailLoginPass,
                  "QServices.EmailLoginPass");
    }
    const std::vector<std::string>& failed() const { return failed_; }

  private:
    bool note(bool ok, const std::string& name) {
        if (!ok) failed_.push_back(name);
        return ok;
    }

    program::Program& program_;
    int16_t pla_, ela_;
    std::vector<std::string> failed_;
};

void putOnFoundController(program::Program& program, FoundController& c) {
    const TcpCfg& cfg = program.TcpCfg;
    const auto& current = program.current;
    auto& glib = program.platform.glib;
    c.put(PortField::Name, current.CurrentName);
    c.put(PortField::Description, current.CurrentDesc);
    c.putFlag(PortField::DhcpEnabled, cfg.DHCP);
    if (cfg.MainComputerAddrKnown) c.put(PortField::MainComputerAddress, cfg.MainComputerAddr);
    if (cfg.DHCP) {
        c.put(PortField::DnsName, cfg.FullDNS);
    } else {
        c.put(PortField::IpAddress, cfg.IP);
        c.put(PortField::SubnetMask, cfg.Subnet);
        c.put(PortField::DefaultGateway, cfg.Gateway);
        c.put(PortField::DnsServer1, cfg.DNSServer);
        c.put(PortField::DnsServer2, cfg.DNSServer2);
    }
    if ((c.Capabilities() & kEncryption) != 0) {
        c.putFlag(PortField::EncryptionRequired, cfg.EncryptedCom);
        for (const Secret& s : kSecrets)
            if (cfg.*s.known) c.put(s.field, cfg.*s.value);
    } else if (cfg.EncryptedCom) {
        catalogue::ShowErrorMessage(glib, kNoEncryption);
    }
    if ((c.Capabilities() & kEmail) != 0) {
        for (const EmailField& e : kEmailFields)
            if (cfg.*e.known) c.put(e.field, cfg.*e.value);
    }
}

// Step 7 of the set-up: a KVXreal C port's variables. False when the commit could not be
// written (then nothing takes effect).
bool writeKvxrealC(program::Program& program, FoundController& c, int16_t pla, int16_t ela) {
    const TcpCfg& cfg = program.TcpCfg;
    Writer w(program, pla, ela);
    if (cfg.MainComputerAddrKnown) {
        w.var("QCom.MainComputerAddr", cfg.MainComputerAddr);
        w.var("QCom.MainComputerConnectEnable", cfg.MainComputerAddr.size() > 1);
    }
    w.var("QSystem.ControllerName", program.current.CurrentName);
    w.var("QSystem.ControllerDescription", program.current.CurrentDesc);
    w.var("QCom.DHCPEnable", cfg.DHCP);
    if (cfg.DHCP) {
        w.var("QCom.ConfDNSName", cfg.FullDNS);
    } else if (validIpv4(cfg.IP)) {
        w.var("QCom.ConfIP", cfg.IP);
        w.var("QCom.ConfSubNet", cfg.Subnet);
        w.var("QCom.ConfGW1", cfg.Gateway);
        w.var("QCom.ConfDNS1", cfg.DNSServer);
    }
    const bool encryption = (c.Capabilities() & kEncryption) != 0;
    if (encryption) {
        w.secrets();
        w.var("QCom.EncryptionRequired", cfg.EncryptedCom);
    } else if (cfg.EncryptedCom) {
        catalogue::ShowErrorMessage(program.platform.glib, kNoEncryption);
    }
    if ((c.Capabilities() & kEmail) != 0) {
        w.email();
        w.text(kServices, 0, "True", "QServices.EmailCommitSettings");
    }
    const bool committed = encryption
                               ? w.vars("QCom.EncryptionCommitSettings", "QCom.CommitIPSettings")
                               : w.var("QCom.CommitIPSettings", true);
    catalogue::WaitSeconds(program.platform, 0.7);
    c.EndSetup();
    // A setting the controller did not take is no set-up, though the others went through.
    return committed && w.failed().empty();
}

}  // namespace

void ReadControllerTcpIpSettings(program::Program& program, int16_t pla, int16_t ela, int16_t index) {
    FoundController& c = program.comm.finder->Item(index);
    c.ReadPortSettings();  // what it cannot tell stays unknown
    TcpCfg& cfg = program.TcpCfg;
    auto& current = program.current;
    current.CurrentName = c.Name();
    current.CurrentSN = c.SerialNumber();
    cfg.IP = address(c.IpAddress());
    current.CurrentMAC = c.EthernetAddress();
    cfg.DHCP = c.DhcpEnabled();
    current.CurrentDesc = c.Description();
    cfg.Subnet = address(c.SubnetMask());
    cfg.Gateway = address(c.DefaultGateway());
    cfg.DNSServer = c.DnsServer1();
    cfg.DNSServer2 = c.DnsServer2();
    cfg.FullDNS = c.DnsName();
    cfg.EncryptedCom = c.EncryptionRequired();
    for (const Secret& s : kSecrets) {
        if (s.field == PortField::EncryptionPassword4) continue;  // never read
        cfg.*s.value = c.get(s.field);
        cfg.*s.known = c.known(s.field);
    }
    program.connection.ModelCode = std::to_string(c.ModelNumber());
    program.connection.ControllerOsKind = c.IsKvxrealC() ? "C" : "";
    if (!c.IsKvxrealC()) {
        for (const EmailField& e : kEmailFields) {
            cfg.*e.value = c.get(e.field);
            cfg.*e.known = c.known(e.field);
        }
        cfg.MainComputerAddr = c.MainComputerAddress();
        cfg.MainComputerAddrKnown = true;  // discovery reports it
        cfg.FullDNS = c.DnsName();
        return;
    }
    ReadKvxrealCSettings(program, pla, ela);
}

void ReadKvxrealCSettings(program::Program& program, int16_t pla, int16_t ela) {
    TcpCfg& cfg = program.TcpCfg;
    auto& glib = program.platform.glib;
    const int32_t link = program.connection.CurrentLink;
    const int32_t flags = clink::flags::Normal;
    int32_t status = 0;
    // A read that fails leaves the value as it was, and unknown.
    auto readText = [&](int16_t file, int32_t index, std::string& into, bool TcpCfg::*known) {
        std::u16string value = text::toWide(into);
        cfg.*known = clink::ReadText(glib, link, pla, ela, file, 0, index, value, flags, status, u"");
        if (cfg.*known) into = text::fromWide(value);
    };
    auto readLong = [&](int32_t index, int32_t& into, bool TcpCfg::*known) {
        cfg.*known = clink::ReadLong(glib, link, pla, ela, kServices, 0, index, into, flags,
                                     status, u"");
    };
    auto readInt = [&](int32_t index, int16_t& into, bool TcpCfg::*known) {
        cfg.*known =
            clink::ReadInt(glib, link, pla, ela, kServices, 0, index, into, flags, status, u"");
    };
    readText(kServices, 4, cfg.EmailServerAddress, &TcpCfg::EmailServerAddressKnown);
    readText(kServices, 7, cfg.EmailLoginName, &TcpCfg::EmailLoginNameKnown);
    readText(kServices, 10, cfg.EmailLoginPass, &TcpCfg::EmailLoginPassKnown);
    readText(kServices, 24, cfg.EmailSenderAddress, &TcpCfg::EmailSenderAddressKnown);
    readText(kCom, 231, cfg.MainComputerAddr, &TcpCfg::MainComputerAddrKnown);
    readText(kServices, 63, cfg.BACnetDeviceName, &TcpCfg::BACnetDeviceNameKnown);
    readLong(116, cfg.BACnetIpUDPport, &TcpCfg::BACnetIpUDPportKnown);
    readLong(60, cfg.BACnetDeviceID, &TcpCfg::BACnetDeviceIDKnown);
    clink::VarValue enable;
    cfg.BACnetIpEnableKnown = false;
    if (clink::ReadVar(program, pla, ela, "QServices.BACnetIpEnable", enable, flags, status)) {
        if (auto* v = std::get_if<int16_t>(&enable)) {
            cfg.BACnetIpEnable = *v != 0;
            cfg.BACnetIpEnableKnown = true;
        }
    }
    cfg.HttpEnableKnown = clink::ReadSmallInt(glib, link, pla, ela, kServices, 0, 164,
                                              cfg.HttpEnable, flags, status, u"");
    readLong(165, cfg.HttpPort, &TcpCfg::HttpPortKnown);
    readInt(168, cfg.HttpActiveSitePartition, &TcpCfg::HttpActiveSitePartitionKnown);
    readInt(170, cfg.HttpActiveSubSite, &TcpCfg::HttpActiveSubSiteKnown);
}

std::vector<std::string> WriteControllerTcpIpSettings(program::Program& program) {
    const TcpCfg& cfg = program.TcpCfg;
    const auto& conn = program.connection;
    Writer w(program, conn.CurrentPLA, conn.CurrentELA);
    w.secrets();
    w.text(kSystem, 63, program.current.CurrentName, "QSystem.ControllerName");
    w.text(kSystem, 69, program.current.CurrentDesc, "QSystem.ControllerDescription");
    w.vars("QCom.EncryptionCommitSettings", "QCom.CommitIPSettings");
    w.email();
    w.known(&TcpCfg::HttpEnableKnown, "QServices.HttpEnable", cfg.HttpEnable);
    w.known(&TcpCfg::HttpPortKnown, "QServices.HttpPort", cfg.HttpPort);
    w.known(&TcpCfg::HttpActiveSitePartitionKnown, "QServices.HttpActiveSitePartition",
            cfg.HttpActiveSitePartition);
    w.known(&TcpCfg::HttpActiveSubSiteKnown, "QServices.HttpActiveSubSite", cfg.HttpActiveSubSite);
    w.flag(kServices, 163, "QServices.HttpCommitSettings");
    w.knownText(&TcpCfg::BACnetDeviceNameKnown, kServices, 63, cfg.BACnetDeviceName,
                "QServices.BACnetDeviceName");
    w.known(&TcpCfg::BACnetDeviceIDKnown, "QServices.BACnetDeviceID", cfg.BACnetDeviceID);
    w.known(&TcpCfg::BACnetIpUDPportKnown, "QServices.BACnetIpUDPport", cfg.BACnetIpUDPport);
    w.known(&TcpCfg::BACnetIpEnableKnown, "QServices.BACnetIpEnable", cfg.BACnetIpEnable);
    w.var("Qservices.BACnetCommitSettings", true);
    return w.failed();
}

bool SetupControllerTcpIp(program::Program& program) {
    auto& glib = program.platform.glib;
    const int16_t i = FindControllerBySerial(program, program.current.CurrentSN, false);
    if (i == -1) return false;
    FoundController& c = program.comm.finder->Item(i);
    if (c.EncryptionRequired() && !c.PasswordAccepted()) {
        catalogue::ShowErrorMessage(glib, "Wrong network password");
        return false;
    }
    const bool kindC = c.IsKvxrealC();
    if (!kindC) putOnFoundController(program, c);
    else if (!program.TcpCfg.DHCP) c.put(PortField::VariableIpAddress, program.TcpCfg.IP);

    bool done = false, checked = false;
    c.CheckNetwork(done, checked);
    if (checked && !c.NetworkFits() &&
        !catalogue::AskOkCancelDefaultCancel(
            glib,
            "Can not setup. The configured IP settings of the controller are not appropriate for "
            "the network where it is connected.\nPress Cancel to exit the setup command or Ok "
            "to proceed.")) {
        // Nothing was applied: the set-up did not happen.
        c.clearPending();
        return false;
    }
    // Without its own link the set-up would go on over whatever link was current before: the
    // serial port or another controller.
    if (!c.Connect() || c.Handle() == 0) {
        c.clearPending();
        return false;
    }
    program.connection.CurrentLink = c.Handle();
    const bool result = c.LinkOk();
    int16_t pla = 0, ela = 0;
    int32_t status = 0;
    const int32_t link = program.connection.CurrentLink;
    if (!clink::ReadSmallInt(glib, link, 255, 30, kSystem, 0, 0, pla, clink::flags::Normal, status,
                             u"255:30.QSystem.PLA") ||
        !clink::ReadSmallInt(glib, link, 255, 30, kSystem, 0, 1, ela, clink::flags::Normal, status,
                             u"255:30.QSystem.ELA"))
        return false;
    if (kindC) return writeKvxrealC(program, c, pla, ela) && result;
    if (!clink::WriteSmallInt(glib, link, pla, ela, kTcpIp, 0, 32, 1, clink::flags::Normal, status,
                              u"ColdSFlagForTcpIp=1"))
        return false;
    return result;
}

}  // namespace network
