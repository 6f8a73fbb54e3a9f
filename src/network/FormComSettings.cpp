#include "network/FormComSettings.h"

#include "catalogue/LibraryText.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/ProgramStart.h"
#include "catalogue/ResolveSelectedRevision.h"
#include "catalogue/Texts.h"
#include "link/OpenModuleSearch.h"
#include "network/ControllerLookup.h"
#include "network/NetworkDialogs.h"
#include "network/PasswordPrompt.h"
#include "network/TcpIpSettings.h"
#include "program/LoadState.h"
#include "program/Program.h"

namespace network {
namespace {

constexpr int16_t kSerial = 1;
constexpr int16_t kTcpIp = 2;
constexpr const char* kLinkTool = "Prod:\\System\\LinkTool";

ui::Control captioned(const std::string& caption) {
    ui::Control c;
    c.caption = caption;
    return c;
}

}  // namespace

FormComSettings::FormComSettings(program::Program& program, ComChecks* checks)
    : program_(program),
      ownChecks_(checks == nullptr ? std::make_unique<LinkComChecks>(program) : nullptr),
      checks_(checks == nullptr ? *ownChecks_ : *checks) {
    rbUseSerial.caption = "Use a Serial communication in this controller";
    rbUseTCP.caption = "&Use a TCP/IP port in this controller";
    btnCom = captioned("Link Tool...");
    btnSearchSerial = captioned("Search...");
    LabelCurrentName = captioned("Current Name:");
    LabelCurrentSerialNo = captioned("Serial Number:");
    LabelCurrentEthernet = captioned("Ethernet Address:");
    LabelCurrentDescription = captioned("Description:");
    btnSearchTCP = captioned("Search...");
    btnTCPSettings = captioned("TCP/IP, WEB-site...");
    btnSearchModules = captioned("Modules...");
    CmdOk = captioned("OK");
    CmdCancel = captioned("Cancel");
}

bool FormComSettings::ShowDlg(ui::FormHost& owner) {
    Form_Load();
    owner.showModal(*this);
    return Result;
}

void FormComSettings::Form_Load() {
    loading_ = true;
    openedConnection_ = program_.connection;
    openedController_ = program_.current;
    openedSettings_ = program_.TcpCfg;
    // Opening shows the choice in force; selecting it here runs none of its click behaviour
    // (the TCP/IP one would start a network search).
    rbUseTCP.value = program_.connection.CommKind == kTcpIp;
    rbUseSerial.value = !rbUseTCP.value;
    if (program_.comm.PortOsUpgradeRunning) return;
    SetParams();
    SetImages();
    loading_ = false;
    SetUIState();
}

void FormComSettings::SetParams() {
    CtrlCurrentName.text = program_.current.CurrentName;
    CtrlCurrentSerialNo.text = program_.current.CurrentSN;
    CtrlCurrentEthernet.text = program_.current.CurrentMAC;
    CtrlCurrentDescription.text = program_.current.CurrentDesc;
}

void FormComSettings::SetImages() { Image1Picture = IsAirUnit ? 2 : 1; }

void FormComSettings::SetUIState() {
    if (loading_) return;
    useTcp_ = rbUseTCP.value;
    clink::Connection& connection = program_.connection;
    if (useTcp_) {
        connection.CommKind = kTcpIp;
    } else {
        connection.CommKind = kSerial;
        connection.CurrentLink = 0;
    }
    for (ui::Control* c : {&FrameSerial, &btnCom, &btnSearchSerial}) c->enabled = !useTcp_;
    for (ui::Control* c : {static_cast<ui::Control*>(&CtrlCurrentName),
                           static_cast<ui::Control*>(&CtrlCurrentDescription), &LabelCurrentName,
                           &LabelCurrentSerialNo, &LabelCurrentEthernet, &LabelCurrentDescription,
                           &btnSearchTCP, &btnTCPSettings, &btnSearchModules}) {
        c->enabled = useTcp_;
    }
    rbUseTCP.enabled = true;
}

void FormComSettings::rbUseSerial_Click() {
    const bool became = useTcp_;
    rbUseSerial.value = true;
    rbUseTCP.value = false;
    if (!became) return;
    SetUIState();
    CmdOk.enabled = true;
}

void FormComSettings::rbUseTCP_Click() {
    const bool became = !useTcp_;
    rbUseTCP.value = true;
    rbUseSerial.value = false;
    if (!became) return;
    SetUIState();
    bool openSearch = false;
    if (AutoDetectController(program_, openSearch) || !openSearch) {
        // A controller taken whose link did not open yet (it wants the password) is shown
        // too: OK asks for the password.
        SetParams();
    } else {
        btnSearchTCP_Click();
    }
    CmdOk.enabled = true;
}

void FormComSettings::btnCom_Click() {
    kvxglib::Library& glib = program_.platform.glib;
    const std::string tool = catalogue::ResolvePath(glib, kLinkTool);
    if (!catalogue::FileExists(glib, tool)) {
        catalogue::ShowErrorMessage(glib, "The link tool is not installed: " + tool);
        return;
    }
    if (catalogue::RunProgram(program_.platform, kLinkTool, "/L") == 0)
        catalogue::ShowErrorMessage(glib, "The link tool could not be started: " + tool);
}

void FormComSettings::btnSearchSerial_Click() { clink::OpenModuleSearch(program_); }

void FormComSettings::btnSearchModules_Click() {
    // Link 0 is the serial port: without the chosen controller's link the search would go there.
    if (program_.connection.CurrentLink == 0) {
        catalogue::ShowErrorMessage(program_.platform.glib,
                                    "No TCP/IP controller is connected: choose one first; the "
                                    "module search runs through its link.");
        return;
    }
    clink::OpenModuleSearch(program_);
}

void FormComSettings::btnSearchTCP_Click() {
    if (ShowSearchTCP(program_, load::FormsOf(program_)) && !program_.current.CurrentSN.empty()) {
        SetParams();
        // A choice made now is one to confirm, also after an earlier password prompt was
        // cancelled.
        CmdOk.enabled = true;
    }
}

void FormComSettings::btnTCPSettings_Click() {
    saveTCPIPsettings();
    if (ShowTCPSettings(program_, load::FormsOf(program_)))
        tcpIpWrittenTo_ = program_.current.CurrentSN;
}

void FormComSettings::saveTCPIPsettings() {
    // Another controller typed in: nothing of the first one may reach it.
    typedIn_ = CtrlCurrentSerialNo.text != program_.current.CurrentSN;
    if (typedIn_) {
        program_.TcpCfg = TcpCfg{};
        program_.connection.ModelCode.clear();
        program_.connection.ControllerOsKind.clear();
    }
    program_.current.CurrentName = CtrlCurrentName.text;
    program_.current.CurrentSN = CtrlCurrentSerialNo.text;
    program_.current.CurrentMAC = CtrlCurrentEthernet.text;
    program_.current.CurrentDesc = CtrlCurrentDescription.text;
}

void FormComSettings::CmdSetup() {
    kvxglib::Library& glib = program_.platform.glib;
    program_.platform.screen.setPointer(ui::Pointer::Hourglass);
    Enabled = false;
    if (CtrlCurrentSerialNo.text == program_.current.CurrentSN) {
        const bool ok = SetupControllerTcpIp(program_);
        catalogue::ShowInfoMessage(
            glib, catalogue::GetText(glib, ok ? 4558 : 4559) + " " + program_.current.CurrentName);
    }
    program_.platform.screen.setPointer(ui::Pointer::Default);
    Enabled = true;
}

void FormComSettings::noLinkOpened(const std::string& why) {
    catalogue::ShowErrorMessage(
        program_.platform.glib,
        "No TCP/IP link to the controller " + program_.current.CurrentSN + " was opened: " + why);
}

bool FormComSettings::connectChosenController() {
    // A finder made now would empty the current controller: make it before the fields are
    // taken over.
    CreateFinder(program_);
    saveTCPIPsettings();
    const std::string serial = program_.current.CurrentSN;
    if (serial.empty()) {
        noLinkOpened("no controller is chosen; search for one first.");
        CmdOk.enabled = true;
        return false;
    }
    int16_t i = FindControllerBySerial(program_, serial, false);
    if (i == -1) {
        noLinkOpened("it was not found on the network.");
        CmdOk.enabled = true;
        return false;
    }
    for (;;) {
        const PasswordRound round = AskNetworkPassword(program_, i);
        if (round == PasswordRound::Sufficient) break;
        if (round == PasswordRound::RateLimited) {
            CmdOk.enabled = true;  // worth another try in a minute
            return false;
        }
        if (round == PasswordRound::NotTyped) {
            noLinkOpened("no password was given.");
            return false;
        }
        i = FindControllerBySerial(program_, serial, true);
        if (i == -1) {
            noLinkOpened("it is no longer found on the network.");
            return false;
        }
    }
    if (!ConnectFoundController(program_, i)) {
        noLinkOpened("the controller does not accept the link.");
        CmdOk.enabled = true;
        return false;
    }
    clink::Connection& connection = program_.connection;
    // A controller typed in by its serial number was never read: what the commands rely on
    // comes from the controller now linked.
    if (typedIn_) {
        const auto& chosen = program_.comm.finder->Item(i);
        connection.ModelCode = std::to_string(chosen.ModelNumber());
        connection.ControllerOsKind = chosen.IsKvxrealC() ? "C" : "";
    }
    if (!checks_.poll(connection.CurrentPLA, connection.CurrentELA, program_.current.CurrentName)) {
        // The address it answers at is the one every later command must use.
        int16_t pla = 0;
        int16_t ela = 0;
        if (checks_.locate(pla, ela)) {
            connection.CurrentPLA = pla;
            connection.CurrentELA = ela;
        } else {
            kvxglib::Library& glib = program_.platform.glib;
            catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, 4561));
        }
    }
    return true;
}

void FormComSettings::showOnMainWindow() {
    program::MainWindow& f = program_.mainWindow;
    f.ShowCurrentController();
    if (program_.connection.ControllerOsKind == "C") {
        f.CtrlPartitions.enabled = true;
        f.RefreshPartitionList();
    } else {
        f.CtrlPartitions.enabled = false;
        f.CtrlPartitions.clear();
    }
    for (ui::Control* c : {&f.ButtonLoadProg, &f.BtnChangeAddress, &f.BtnReset}) c->enabled = true;
    bool eMail = false;
    bool webSite = false;
    std::string settingsPackage;
    catalogue::ResolveSelectedRevision(program_.platform, program_.catalogue,
                                       f.CtrlPrograms.selectedText(), eMail, webSite,
                                       settingsPackage);
    program_.SelectedHasEMail = eMail;
    program_.SelectedHasWebSite = webSite;
    program_.SelectedSettingsPackage = settingsPackage;
    f.ButtonLoadWeb.enabled = webSite && program_.connection.CurrentLink != 0;
    f.SaveLoadSettings.enabled = !settingsPackage.empty();
}

void FormComSettings::CmdOk_Click() {
    ui::HourglassScope hourglass(program_.platform.screen);
    CmdOk.enabled = false;
    if (useTcp_) {
        if (!connectChosenController()) return;
    } else {
        // A port that cannot be opened is named now; the dialog stays for the link tool.
        const std::string problem = checks_.serialProblem();
        if (!problem.empty()) {
            catalogue::ShowErrorMessage(program_.platform.glib, problem);
            CmdOk.enabled = true;
            return;
        }
        program_.current = CurrentController{};
        // The TCP/IP controller's model would pick another model's operating system image.
        program_.connection.ModelCode.clear();
        int16_t pla = 0;
        int16_t ela = 0;
        const bool answered = checks_.readControllerAddress(pla, ela);
        checks_.detectOsKind(pla, ela);
        // What the window knows of a serial controller is its address and module type.
        program_.mainWindow.ControllerType = answered ? checks_.moduleTypeName(pla, ela) : "";
        showOnMainWindow();
        program_.mainWindow.ShowControllerLine(answered ? pla : 0, answered ? ela : 0);
        close(true);
        return;
    }
    showOnMainWindow();
    kvxglib::Library& glib = program_.platform.glib;
    const std::string& model = program_.connection.ModelCode;
    program_.mainWindow.ControllerType =
        model.empty() ? "" : catalogue::TextFromPointer(glib, glib.ModelName(model));
    program_.mainWindow.ShowControllerLine(program_.connection.CurrentPLA,
                                           program_.connection.CurrentELA);
    close(true);
}

void FormComSettings::CmdCancel_Click() {
    program_.connection = openedConnection_;
    program_.current = openedController_;
    program_.mainWindow.CtrlStatusLine.caption =
        tcpIpWrittenTo_.empty()
            ? "Communication settings cancelled: nothing changed."
            : "Communication settings cancelled; the TCP/IP settings written to the controller " +
                  tcpIpWrittenTo_ + " stay in it.";
    program_.TcpCfg = openedSettings_;
    close(false);
}

void FormComSettings::close(bool result) {
    Result = result;
    Visible = false;
}

void OpenCommunicationSettings(program::Program& program, int mode, ComChecks* checks) {
    FormComSettings form(program, checks);
    form.IsAirUnit = mode == 1;
    form.ShowDlg(load::FormsOf(program));
}

}  // namespace network
