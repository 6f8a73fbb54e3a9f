#include "network/FormSearchTCP.h"

#include <array>

#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Texts.h"
#include "network/ControllerLookup.h"
#include "network/InputBox.h"
#include "network/PasswordPrompt.h"
#include "network/PortOsUpgrade.h"
#include "network/TcpIpSettings.h"
#include "program/Program.h"

namespace network {

// One operation at a time: the list is being filled from the finder, or a controller of it is
// being connected or upgraded, and a second operation (a refresh renews the finder) would pull
// them away from under the first. What must wait is disabled and re-entry refused; everything
// is put back on every way out.
class FormSearchTCP::BusyScope {
  public:
    explicit BusyScope(FormSearchTCP& form) : form_(form), entered_(!form.busy_) {
        if (!entered_) return;
        form_.busy_ = true;
        form_.okWanted_ = form_.ButtonOk.enabled;
        form_.upgradeWanted_ = form_.btnUpgrade.enabled;
        for (std::size_t i = 0; i < waiting().size(); ++i) {
            saved_[i] = waiting()[i]->enabled;
            waiting()[i]->enabled = false;
        }
        form_.ButtonOk.enabled = false;
        form_.btnUpgrade.enabled = false;
    }
    ~BusyScope() {
        if (!entered_) return;
        for (std::size_t i = 0; i < waiting().size(); ++i) waiting()[i]->enabled = saved_[i];
        form_.busy_ = false;
        form_.ButtonOk.enabled = form_.okWanted_;
        form_.btnUpgrade.enabled = form_.upgradeWanted_;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    // False when another operation runs: the caller does nothing.
    bool entered() const { return entered_; }

  private:
    std::array<ui::Control*, 4> waiting() {
        return {&form_.ButtonCancel, &form_.ButtonRefresh, &form_.ButtonFindMore, &form_.CtrlList};
    }
    FormSearchTCP& form_;
    bool entered_;
    std::array<bool, 4> saved_{};
};

void FormSearchTCP::choiceButtons(bool ok, bool upgrade) {
    okWanted_ = ok;
    upgradeWanted_ = upgrade;
    if (busy_) return;
    ButtonOk.enabled = ok;
    btnUpgrade.enabled = upgrade;
}

FormSearchTCP::FormSearchTCP(program::Program& program) : program_(program) {
    CtrlStatusLine.caption = "Status line";
    ButtonOk.caption = "Ok";
    ButtonCancel.caption = "Cancel";
    ButtonRefresh.caption = "&Refresh";
    ButtonFindMore.caption = "&Find more...";
    btnUpgrade.caption = "Upgrade";
}

void FormSearchTCP::SetLanguage() {
    auto& glib = program_.platform.glib;
    auto text = [&](int n) { return catalogue::GetText(glib, n); };
    ButtonOk.caption = text(4530);
    ButtonCancel.caption = text(4531);
    ButtonRefresh.caption = text(4535);
    ButtonFindMore.caption = text(4536);
    btnUpgrade.caption = text(4541);
    Caption = text(4534);
    CtrlList.columns.clear();
    // Headers added without a width get the list's default one.
    constexpr int kDefaultColumnTwips = 1440;
    for (int n : {4543, 4545, 4546, 4547, 4548, 4550, 4549})
        CtrlList.columns.push_back({text(n), kDefaultColumnTwips});
}

void FormSearchTCP::Form_Load() { SetLanguage(); }
void FormSearchTCP::Form_Activate() { CmdSearchRefreshTcpIp(); }
void FormSearchTCP::Form_Unload() { SelectCurrentController(program_, ""); }

void FormSearchTCP::beginSearch(bool clear) {
    if (clear) CtrlList.clear();
    CtrlStatusLine.caption.clear();
    choiceButtons(false, false);
    program_.platform.screen.processEvents();
}

void FormSearchTCP::AddTCPItems() {
    auto& finder = *program_.comm.finder;
    auto& glib = program_.platform.glib;
    for (int32_t i = 0; i < finder.Count(); ++i) {
        auto& c = finder.Item(i);
        CtrlStatusLine.caption += ".";
        const std::string ip = c.IpAddress() == "0.0.0.0" ? "" : c.IpAddress();
        CtrlList.items.push_back(
            {c.Name(),
             {c.SerialNumber(), ip, c.EthernetAddress(), glib.BooleanText(c.DhcpEnabled() ? -1 : 0),
              c.DnsName(), c.Description()},
             1});
        program_.platform.screen.processEvents();
    }
}

void FormSearchTCP::CmdSearchRefreshTcpIp() {
    BusyScope busy(*this);
    if (!busy.entered()) return;
    ui::HourglassScope hourglass(program_.platform.screen);
    beginSearch(true);
    CtrlStatusLine.caption = catalogue::GetText(program_.platform.glib, 4537);
    program_.platform.screen.processEvents();
    RenewFinder(program_);
    AddTCPItems();
    endSearch();
    tellSearchProblem();
}

// A search that could not go out found nobody for a reason of its own: not "no controllers".
void FormSearchTCP::tellSearchProblem() {
    const std::string& problem = program_.comm.finder->SearchProblem();
    if (!problem.empty())
        catalogue::ShowErrorMessage(program_.platform.glib,
                                    "No controllers could be searched for: " + problem);
}

void FormSearchTCP::addSearchAddress(const std::string& address, const std::string& mask) {
    auto& finder = CreateFinder(program_);
    if (!finder.IsValidAddress(address)) {
        catalogue::ShowErrorMessage(program_.platform.glib,
                                    address + " is not a valid IP address!");
        return;
    }
    finder.ClearCriteria();
    if (mask.empty())
        finder.AddAddress(address);
    else
        finder.AddAddressWithMask(address, mask);
    finder.Password(program_.comm.NetworkPassword);
    finder.Search();
    program_.CurrentIndex = -1;  // the list was replaced
    tellSearchProblem();
}

void FormSearchTCP::CmdSearchFindMoreTcpIp() {
    BusyScope busy(*this);
    if (!busy.entered()) return;
    ui::HourglassScope hourglass(program_.platform.screen);
    auto& glib = program_.platform.glib;
    beginSearch(false);
    CtrlStatusLine.caption = catalogue::GetText(glib, 4537);
    program_.platform.screen.processEvents();
    const std::string prompt =
        catalogue::GetText(glib, 4539) + "\n\n" + catalogue::GetText(glib, 4540);
    const std::string answer =
        AskInput(program_.platform, prompt, catalogue::GetText(glib, 4538)).value_or("");
    const auto slash = answer.find('/');
    const std::string address = answer.substr(0, slash);
    const std::string mask = slash == std::string::npos ? "" : answer.substr(slash + 1);
    if (!address.empty()) {
        addSearchAddress(address, mask);
        CtrlList.clear();
        AddTCPItems();
        auto& finder = *program_.comm.finder;
        bool matched = false;
        for (int32_t i = 0; i < finder.Count() && !matched; ++i) {
            auto& c = finder.Item(i);
            if (c.IpAddress() == address || c.DnsName() == address || c.SubnetMask() == mask) {
                CtrlList.selected = i + 1;
                matched = true;
            }
        }
        if (!matched)
            catalogue::ShowInfoMessage(glib, catalogue::GetText(glib, 4562) + " " + answer);
    }
    endSearch();
}

std::string FormSearchTCP::selectedSerial() const {
    if (CtrlList.selected < 1 || CtrlList.selected > static_cast<int>(CtrlList.items.size()))
        return "";
    const auto& item = CtrlList.items[static_cast<size_t>(CtrlList.selected) - 1];
    return item.subItems.empty() ? "" : item.subItems[0];
}

void FormSearchTCP::CtrlList_ItemClick(int row) {
    if (busy_) return;  // the list is being rebuilt
    CtrlList.selected = row;
    const bool any = !selectedSerial().empty();
    choiceButtons(any, any);
    if (any) SelectCurrentController(program_, selectedSerial());
}

// Enter chooses the row as OK does, with the password prompt a protected controller needs.
void FormSearchTCP::CtrlList_KeyPress(int key) {
    if (key == 13 && !selectedSerial().empty()) ButtonOk_Click();
}

void FormSearchTCP::ButtonOk_Click() {
    BusyScope busy(*this);
    if (!busy.entered()) return;
    SelectCurrentController(program_, "");
    choiceButtons(false, upgradeWanted_);
    const std::string key = selectedSerial();
    int16_t i = FindControllerBySerial(program_, key, false);
    if (i == -1) {
        CmdSearchOk();
    } else {
        while (i != -1) {
            const PasswordRound round = AskNetworkPassword(program_, i);
            if (round == PasswordRound::Sufficient) {
                CmdSearchOk();
                break;
            }
            if (round != PasswordRound::Typed) break;
            i = FindControllerBySerial(program_, key, true);
        }
    }
    program_.platform.screen.setPointer(ui::Pointer::Default);
}

void FormSearchTCP::CmdSearchOk() {
    const int16_t i = FindControllerBySerial(program_, selectedSerial(), false);
    bool result = false;
    if (i != -1) {
        auto& c = program_.comm.finder->Item(i);
        // A link that cannot be opened (refused, wrong password, gone) is no choice: nothing
        // is taken over and the dialog reports failure.
        if (ConnectFoundController(program_, i)) {
            program_.connection.CurrentPLA = c.PLA();
            program_.connection.CurrentELA = c.ELA();
            ReadControllerTcpIpSettings(program_, c.PLA(), c.ELA(), i);
            result = true;
        }
    }
    CmdSearchClose(result);
}

void FormSearchTCP::CmdSearchClose(bool mode) {
    SearchOkFlg = mode;
    program_.platform.screen.setPointer(ui::Pointer::Default);
    Visible = false;
}

void FormSearchTCP::btnUpgrade_Click() {
    BusyScope busy(*this);
    if (!busy.entered()) return;
    const std::string serial = selectedSerial();
    // Cleared on every way out, a failure too: while set, the settings dialogs skip loading.
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(program_.comm.PortOsUpgradeRunning);
    SelectCurrentController(program_, "");
    UpgradeTcpIpPortOs(program_, serial);
    SelectCurrentController(program_, serial);
}

void FormSearchTCP::ButtonCancel_Click() {
    if (busy_) return;  // an operation still uses the finder's controllers
    SelectCurrentController(program_, "");
    CmdSearchClose(false);
}

}  // namespace network
