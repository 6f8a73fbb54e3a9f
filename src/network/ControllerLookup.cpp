#include "network/ControllerLookup.h"

#include <stdexcept>
#include <utility>

#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Texts.h"
#include "link/ControllerServices.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "platform/components/finder/FinderFactory.h"

namespace network {

void ResetTcpIpState(program::Program& program) {
    auto& cfg = program.TcpCfg;
    const TcpCfg kept = cfg;
    cfg = TcpCfg{};
    // The main computer, HTTP and BACnet values outlive a new finder, but no longer as the
    // current controller's: unknown, they are never written.
    cfg.MainComputerAddr = kept.MainComputerAddr;
    cfg.HttpEnable = kept.HttpEnable;
    cfg.HttpPort = kept.HttpPort;
    cfg.HttpActiveSitePartition = kept.HttpActiveSitePartition;
    cfg.HttpActiveSubSite = kept.HttpActiveSubSite;
    cfg.BACnetDeviceName = kept.BACnetDeviceName;
    cfg.BACnetDeviceID = kept.BACnetDeviceID;
    cfg.BACnetIpUDPport = kept.BACnetIpUDPport;
    cfg.BACnetIpEnable = kept.BACnetIpEnable;
    program.current = CurrentController{};
    program.connection.CurrentLink = 0;
}

namespace {

std::unique_ptr<components::ControllerFinder> newFinder(program::Program& program) {
    if (program.platform.finders == nullptr)
        throw std::runtime_error("no TCP/IP controller finder on this platform");
    return program.platform.finders->CreateFinder();
}

}  // namespace

components::ControllerFinder& CreateFinder(program::Program& program) {
    if (!program.comm.finder) {
        program.comm.finder = newFinder(program);
        program.comm.finder->Active(false);
        // A new finder's list holds nobody: no index of the old one may survive.
        program.CurrentIndex = -1;
        ResetTcpIpState(program);
    }
    return *program.comm.finder;
}

void ReleaseFinder(program::Program& program) {
    program.comm.finder.reset();
    program.CurrentIndex = -1;
}

void RenewFinder(program::Program& program) {
    const bool active = program.comm.finder ? program.comm.finder->Active() : false;
    program.connection.CurrentLink = 0;
    ReleaseFinder(program);
    program.comm.finder = newFinder(program);
    auto& finder = *program.comm.finder;
    finder.Active(active);
    finder.ClearCriteria();
    finder.Password(program.comm.NetworkPassword);
    finder.Search();
}

int16_t FindControllerBySerial(program::Program& program, std::string serial, bool forceSearch) {
    if (serial.empty()) return -1;
    auto& finder = CreateFinder(program);
    if (finder.Count() == 0 || forceSearch) {
        finder.ClearCriteria();
        finder.SerialFilter(serial);
        finder.ApplySerialFilter();
        finder.Password(program.comm.NetworkPassword);
        finder.Search();
        // The list was replaced: whatever was marked is gone with it.
        program.CurrentIndex = -1;
    }
    for (int32_t i = 0; i < finder.Count(); ++i)
        if (program.platform.glib.SameSerialNumber(finder.Item(i).SerialNumber(), serial) != 0)
            return static_cast<int16_t>(i);
    return -1;
}

void SelectCurrentController(program::Program& program, std::string serial) {
    if (program.CurrentIndex >= 0 && program.comm.finder &&
        program.CurrentIndex < program.comm.finder->Count()) {
        program.comm.finder->Item(program.CurrentIndex).Deselect();
    }
    program.CurrentIndex = -1;
    const int16_t i = FindControllerBySerial(program, std::move(serial), false);
    if (i != -1) {
        program.comm.finder->Item(i).Select();
        program.CurrentIndex = i;
    }
}

bool ConnectFoundController(program::Program& program, int16_t index) {
    auto& c = program.comm.finder->Item(index);
    if (!c.Connect() || c.Handle() == 0) return false;
    program.connection.CurrentLink = c.Handle();
    return true;
}

bool AutoDetectController(program::Program& program, bool& openSearch) {
    ui::HourglassScope hourglass(program.platform.screen);
    try {
        CreateFinder(program);
        ReleaseFinder(program);
        auto& finder = CreateFinder(program);
        finder.ClearCriteria();
        finder.Active(true);
        finder.Password(program.comm.NetworkPassword);
        finder.Search();
        if (finder.Count() != 1 ||
            !catalogue::AskYesNo(program.platform.glib,
                                 catalogue::GetText(program.platform.glib, 4552))) {
            finder.Active(false);
            openSearch = true;
            return false;
        }
        auto& c = finder.Item(0);
        auto& cfg = program.TcpCfg;
        program.current.CurrentName = c.Name();
        program.connection.ModelCode = std::to_string(c.ModelNumber());
        program.current.CurrentSN = c.SerialNumber();
        cfg.IP = c.IpAddress();
        program.current.CurrentMAC = c.EthernetAddress();
        cfg.DHCP = c.DhcpEnabled();
        program.current.CurrentDesc = c.Description();
        cfg.Subnet = c.SubnetMask();
        cfg.Gateway = c.DefaultGateway();
        cfg.DNSServer = c.DnsServer1();
        cfg.DNSServer2 = c.DnsServer2();
        cfg.FullDNS = c.DnsName();
        cfg.MainComputerAddr = c.MainComputerAddress();
        cfg.MainComputerAddrKnown = true;
        // As the search does: the kind decides which image the port gets later, and the
        // address is where every command finds it.
        program.connection.ControllerOsKind = c.IsKvxrealC() ? "C" : "";
        program.connection.CurrentPLA = c.PLA();
        program.connection.CurrentELA = c.ELA();
        if (!ConnectFoundController(program, 0)) {
            finder.Active(false);
            return false;
        }
        return true;
    } catch (const std::exception&) {
        if (program.comm.finder) program.comm.finder->Active(false);
        return false;
    }
}

bool LocateControllerAddress(program::Program& program, int16_t& pla, int16_t& ela) {
    auto& glib = program.platform.glib;
    const int32_t link = program.connection.CurrentLink;
    auto probe = [&](int16_t p, int16_t e) {
        const bool answers = clink::PollController(program, p, e);
        glib.Yield();
        return answers;
    };
    auto ownAddress = [&](int16_t p, int16_t e) {
        int16_t a = 0, b = 0;
        int32_t status = 0;
        if (!clink::ReadSmallInt(glib, link, p, e, 241, 0, 0, a, clink::flags::Normal, status, u"") ||
            !clink::ReadSmallInt(glib, link, p, e, 241, 0, 1, b, clink::flags::Normal, status, u""))
            return false;
        pla = a;
        ela = b;
        return true;
    };
    if (probe(254, 30)) return (pla = 254, ela = 30, true);
    if (probe(254, 254)) return (pla = 254, ela = 254, true);
    if (probe(255, 30)) return ownAddress(255, 30);
    if (probe(255, 31)) return ownAddress(255, 31);
    return false;
}

bool EnsureCurrentAddress(program::Program& program) {
    clink::Connection& c = program.connection;
    if (c.CurrentLink == 0) return false;
    if (clink::PollController(program, c.CurrentPLA, c.CurrentELA)) return true;
    int16_t pla = 0, ela = 0;
    if (!LocateControllerAddress(program, pla, ela)) return false;
    c.CurrentPLA = pla;
    c.CurrentELA = ela;
    return true;
}

}  // namespace network
