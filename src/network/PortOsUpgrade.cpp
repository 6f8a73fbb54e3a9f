#include "network/PortOsUpgrade.h"

#include "program/Program.h"
#include "catalogue/LibraryText.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "network/ControllerLookup.h"
#include "platform/components/finder/PortOsImage.h"
#include "platform/os/NativePath.h"

namespace network {
namespace {

void showCouldNotUpgrade(kvxglib::Library& glib, const std::string& reason1,
                         const std::string& reason2) {
    catalogue::ShowErrorMessage(glib, "Could not upgrade controller.\n"
                                      "This could happen because of the following reasons: \n" +
                                          reason1 + "\n" + reason2);
}

void showTransferFailed(kvxglib::Library& glib) {
    showCouldNotUpgrade(glib, "- The connection to the controller was lost.",
                        "- Incorrect format in the upgrade file.");
}

// Puts the pointer back as it was on every way out.
class SavedPointer {
  public:
    explicit SavedPointer(ui::Screen& screen) : screen_(screen), saved_(screen.pointer()) {}
    ~SavedPointer() { restore(); }
    void restore() { screen_.setPointer(saved_); }
    SavedPointer(const SavedPointer&) = delete;
    SavedPointer& operator=(const SavedPointer&) = delete;

  private:
    ui::Screen& screen_;
    ui::Pointer saved_;
};

}  // namespace

bool UpgradeTcpIpPortOs(program::Program& program, const std::string& serial) {
    kvxglib::Library& glib = program.platform.glib;
    ui::Screen& screen = program.platform.screen;
    const int16_t i = FindControllerBySerial(program, serial, false);
    if (i == -1) {
        showCouldNotUpgrade(glib, "- The selected controller could not be found on the network.",
                            "- No controller was selected.");
        return false;
    }
    components::FoundController& found = program.comm.finder->Item(i);
    const std::string file = catalogue::ResolvePath(glib, "SLIB:\\") + "KVXreal\\" +
                             std::to_string(found.UpgradeFileNumber()) + ".TcpIpPortOS";
    if (!catalogue::FileExists(glib, file)) {
        catalogue::ShowErrorMessage(glib, "Can not find a TcpIpPortOS upgrade file.");
        return false;
    }

    SavedPointer pointer(screen);
    components::PortOsImage image;
    bool loaded = false;
    image.Load(file, loaded);
    if (!image.IsValid()) {
        // The file as the file system names it, and what is wrong with it: the user has a
        // file to replace, not a controller to look for.
        const std::string native = os::toNativePath(file);
        std::string why = image.why();
        if (why.rfind(native + ": ", 0) == 0) why.erase(0, native.size() + 2);
        catalogue::ShowErrorMessage(glib, "The Upgrade file: " + native +
                                              " is not a valid TCP/IP Port OS upgrade file!\n" +
                                              why);
        return false;
    }
    const std::string model = catalogue::TextFromPointer(
        glib, glib.ModelName(std::to_string(found.ModelNumber())));
    if (!catalogue::AskYesNo(
            glib, "Do you wish to upgrade the TCP/IP Port OS in this controller?\n\nModel: " +
                      model + "\nRevision in the controller: " + found.PortOsRevision() +
                      "\nRevision to upgrade to: " + image.Revision() +
                      "\n\nWhen the TCP/IP Port OS has been upgraded you will be able to "
                      "communicate with the controller again."))
        return false;

    screen.setPointer(ui::Pointer::Hourglass);
    bool upgraded = false;
    found.UpgradePortOs(image, upgraded);
    if (!upgraded) {
        pointer.restore();
        showTransferFailed(glib);
        return false;
    }
    screen.processEvents();
    // The search replaces the finder's list: `found` is gone from here on.
    const int16_t j = FindControllerBySerial(program, serial, true);
    // A controller that comes back still running another revision was not upgraded, whatever
    // the transfer said.
    if (j == -1 || program.comm.finder->Item(j).PortOsRevision() != image.revisionBytes()) {
        pointer.restore();
        showTransferFailed(glib);
        return false;
    }
    pointer.restore();
    catalogue::ShowInfoMessage(glib, "The controller has been upgraded successfully!\n\n"
                                     "New revision in the controller: " +
                                         program.comm.finder->Item(j).PortOsRevision());
    return true;
}

}  // namespace network
