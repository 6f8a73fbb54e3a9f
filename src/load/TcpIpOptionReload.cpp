#include "load/TcpIpOptionReload.h"

#include "program/Program.h"
#include "catalogue/LibraryText.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/Texts.h"
#include "network/ControllerLookup.h"
#include "platform/components/finder/ControllerFinder.h"
#include "platform/components/finder/PortOsImage.h"
#include "platform/os/NativePath.h"

namespace load {
namespace {

constexpr int16_t kTcpIp = 2;
constexpr uint32_t kOptionReloadCapability = 4;
constexpr int32_t kNoCapability = 622;
constexpr int32_t kNotTcpIp = 623;
constexpr int32_t kReloaded = 4563;
constexpr int32_t kNotReloaded = 4564;

}  // namespace

std::string TcpIpOptionImagePath(program::Program& program) {
    kvxglib::Library& glib = program.platform.glib;
    const std::string& folder = program.catalogue.SelectedProjectFolder;
    const std::string controllerFolder = catalogue::TextFromPointer(
        glib, glib.ReadSetting(folder + "\\Programs.txt", "Program", "Directory", "Controller1"));
    return folder + "\\" + controllerFolder + "\\Image.Bin";
}

bool ReloadTcpIpOption(program::Program& program) {
    kvxglib::Library& glib = program.platform.glib;
    const std::string image = TcpIpOptionImagePath(program);
    if (program.connection.CommKind != kTcpIp) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kNotTcpIp));
        return false;
    }
    const std::string serial = program.current.CurrentSN;
    const int16_t index = network::FindControllerBySerial(program, serial, false);
    if (index < 0) {
        // None was chosen, or the finder's list no longer has it (a search since, or it went
        // away): there is no entry to reload through.
        catalogue::ShowErrorMessage(
            glib, serial.empty()
                      ? "No TCP/IP controller was chosen. Choose one under Communication."
                      : "The controller " + serial + " could not be found on the network.");
        return false;
    }
    components::FoundController& found = program.comm.finder->Item(index);
    if ((found.Capabilities() & kOptionReloadCapability) == 0) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kNoCapability));
        return false;
    }
    components::PortOsImage portImage;
    bool loaded = false;
    portImage.Load(catalogue::ResolvePath(glib, image), loaded);
    if (!portImage.IsValid()) {
        // An OK that loads nothing must not pass for one that did.
        catalogue::ShowErrorMessage(
            glib, "The TCP/IP option image " +
                      os::toNativePath(catalogue::ResolvePath(glib, image)) +
                      " is not valid; nothing was loaded.");
        return false;
    }
    bool upgraded = false;
    found.UpgradePortOs(portImage, upgraded);
    catalogue::ShowInfoMessage(glib, catalogue::GetText(glib, upgraded ? kReloaded : kNotReloaded));
    const int16_t again = network::FindControllerBySerial(program, serial, false);
    program.connection.CurrentLink = again >= 0 ? program.comm.finder->Item(again).Handle() : 0;
    return upgraded;
}

}  // namespace load
