#include "load/AddressCommands.h"

#include <memory>
#include <optional>
#include <string>

#include "catalogue/Messages.h"
#include "catalogue/Texts.h"
#include "load/CommandLock.h"
#include "load/Controller.h"
#include "load/FormChangeAddr.h"
#include "platform/components/finder/ControllerFinder.h"
#include "platform/components/finder/FinderFactory.h"
#include "program/Program.h"

namespace load {
namespace {

constexpr int32_t kAddressTaken = 637;
constexpr int32_t kPlaIndex = 0;
constexpr int32_t kElaIndex = 1;

// The presence check every command starts with; tells the user and resets the window when
// nobody answers.
bool controllerAnswers(program::Program& program) {
    clink::Connection& c = program.connection;
    if (ControllerOf(program).readControllerAddress(c.CurrentPLA, c.CurrentELA)) return true;
    catalogue::ShowErrorMessage(program.platform.glib, "No controller connected");
    program.mainWindow.ResetMainWindowState();
    return false;
}

// Over TCP/IP the link reaches one controller, so a poll there cannot hear another one that
// has the address: the network is searched instead. Nothing when the address is free; the
// reason to refuse otherwise.
std::optional<std::string> takenOnNetwork(program::Program& program, int16_t pla, int16_t ela) {
    const clink::Connection& c = program.connection;
    // A bus station: the bus is polled. No finders: a program without a TCP/IP search.
    if (c.CommKind != 2 || c.Target || program.platform.finders == nullptr) return std::nullopt;
    std::unique_ptr<components::ControllerFinder> finder = program.platform.finders->CreateFinder();
    finder->ClearCriteria();
    finder->Password(secure::Secret());  // discovery alone: no password goes to anybody
    finder->Search();
    if (!finder->SearchProblem().empty())
        return "The TCP/IP network could not be searched for a controller at the new address: " +
               finder->SearchProblem();
    const std::string& self = program.current.CurrentSN;
    for (int32_t i = 0; i < finder->Count(); ++i) {
        components::FoundController& other = finder->Item(i);
        if (other.PLA() != pla || other.ELA() != ela) continue;
        if (!self.empty() && program.platform.glib.SameSerialNumber(self, other.SerialNumber()))
            continue;
        const std::string name = other.Name().empty() ? "" : " (" + other.Name() + ")";
        return "The controller " + other.SerialNumber() + name + " at " + other.IpAddress() +
               " has the address " + clink::stationText(pla, ela) + ".";
    }
    return std::nullopt;
}

}  // namespace

bool ValidateAddress(program::Program& program, int16_t pla, int16_t ela) {
    // The PLA text names 255 although 254 is the highest; users know the message as it is.
    if (pla < 1 || pla > 254) {
        catalogue::ShowErrorMessage(program.platform.glib,
                                    "Invalid PLA. The address must be between 1 and 255");
        return false;
    }
    if (ela < 1 || ela > 255) {
        catalogue::ShowErrorMessage(program.platform.glib,
                                    "Invalid ELA. The address must be between 1 and 255");
        return false;
    }
    return true;
}

AddressChange ApplyAddressChange(program::Program& program, int16_t newPla, int16_t newEla,
                                 NetworkSearch search) {
    kvxglib::Library& glib = program.platform.glib;
    Controller& controller = ControllerOf(program);
    clink::Connection& c = program.connection;
    // Two controllers at one address make both unreachable.
    const bool moving = newPla != c.CurrentPLA || newEla != c.CurrentELA;
    if (moving && controller.poll(newPla, newEla)) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kAddressTaken));
        return AddressChange::Occupied;
    }
    if (moving && search == NetworkSearch::Search) {
        if (const std::optional<std::string> taken = takenOnNetwork(program, newPla, newEla)) {
            catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kAddressTaken) + " " + *taken);
            return AddressChange::Occupied;
        }
    }
    // From the first write on the controller answers at its new PLA.
    const bool plaWritten =
        controller.writeSystemSmallInt(c.CurrentPLA, c.CurrentELA, kPlaIndex, newPla);
    if (plaWritten) c.CurrentPLA = newPla;
    const bool elaWritten =
        controller.writeSystemSmallInt(c.CurrentPLA, c.CurrentELA, kElaIndex, newEla);
    if (elaWritten) c.CurrentELA = newEla;
    // A chosen station is found at its new address from now on.
    if (c.Target) c.Target = clink::Station{c.CurrentPLA, c.CurrentELA};
    const bool answers = controller.poll(c.CurrentPLA, c.CurrentELA);
    if (!plaWritten || !elaWritten) {
        catalogue::ShowErrorMessage(glib,
                                    "The new address could not be written. The controller's "
                                    "address is now " +
                                        clink::stationText(c.CurrentPLA, c.CurrentELA) + ".");
    }
    if (!answers) {
        catalogue::ShowErrorMessage(glib, "No controller answers at the address " +
                                              clink::stationText(c.CurrentPLA, c.CurrentELA) + ".");
        return AddressChange::NoAnswer;
    }
    if (!plaWritten || !elaWritten) return AddressChange::WriteFailed;
    catalogue::ShowInfoMessage(glib, "The address was successfully changed");
    return AddressChange::Changed;
}

void ChangeAddress(program::Program& program) {
    FormChangeAddr dialog(FormsOf(program));
    CommandLock lock(program, Unlock::Everything);
    if (!lock.acquired() || !controllerAnswers(program)) return;
    dialog.CurPla = program.connection.CurrentPLA;
    dialog.CurEla = program.connection.CurrentELA;
    if (!dialog.ShowDlg()) return;
    if (!ValidateAddress(program, dialog.NewPla, dialog.NewEla)) return;
    ApplyAddressChange(program, dialog.NewPla, dialog.NewEla, NetworkSearch::Search);
}

AddressChange ChangeAddressTo(program::Program& program, int16_t newPla, int16_t newEla,
                              NetworkSearch search) {
    CommandLock lock(program, Unlock::Everything);
    if (!lock.acquired() || !controllerAnswers(program) ||
        !ValidateAddress(program, newPla, newEla))
        return AddressChange::NotRun;
    return ApplyAddressChange(program, newPla, newEla, search);
}

bool ResetController(program::Program& program) {
    CommandLock lock(program, Unlock::Everything);
    if (!lock.acquired() || !controllerAnswers(program)) return false;
    if (!catalogue::AskYesNo(program.platform.glib, "Do you wish to reset the controller ?"))
        return false;
    program.mainWindow.CtrlStatusLine.caption = "Reseting the Controller";
    clink::Connection& c = program.connection;
    ControllerOf(program).coldStart(c.CurrentPLA, c.CurrentELA);
    // A cold-started controller answers at 254:30 until its address is read again.
    c.CurrentPLA = 254;
    c.CurrentELA = 30;
    return true;
}

}  // namespace load
