#include "app/FormMain.h"

#include "app/HelpMenus.h"
#include "app/SettingsToolCommand.h"
#include "catalogue/CatalogueFiles.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/ResolveSelectedRevision.h"
#include "load/AddressCommands.h"
#include "load/CommandLock.h"
#include "load/LoadController.h"
#include "load/PartitionCommands.h"
#include "load/PartitionList.h"
#include "load/WebSiteLoad.h"
#include "network/FormComSettings.h"
#include "program/Program.h"

namespace app {
namespace {

ui::Control control(const std::string& caption, bool enabled = false, bool visible = true) {
    ui::Control c;
    c.caption = caption;
    c.enabled = enabled;
    c.visible = visible;
    return c;
}

ui::MenuEntry menu(const std::string& caption, bool enabled = true, std::string shortcut = {}) {
    ui::MenuEntry m;
    m.caption = caption;
    m.enabled = enabled;
    m.shortcut = std::move(shortcut);
    return m;
}

ui::ListView list(std::vector<ui::ListColumn> columns, bool enabled) {
    ui::ListView l;
    l.columns = std::move(columns);
    l.enabled = enabled;
    return l;
}

bool validRow(int row, size_t count) { return row >= 1 && static_cast<size_t>(row) <= count; }

}  // namespace

FormMain::FormMain(program::Program& program) : program_(program) {
    CtrlModels = list({{"Model", 2522}, {"Program", 3951}}, false);
    CtrlPrograms = list({{"Revision", 2293}, {"Description", 4958}}, false);
    CurrentController = list({{"Icon", 18},
                              {"Name", 6526},
                              {"Serial Number", 3175},
                              {"Running IP", 3175},
                              {"Description", 7286}},
                             true);
    CtrlPartitions = list({{"Nr", 882},
                           {"Name", 4410},
                           {"Title", 4410},
                           {"Loaded Date", 3528},
                           {"Current Size", 2646},
                           {"Max Size", 2293},
                           {"Type", 1147}},
                          true);
    ButtonLoadProg = control("&Load Controller");
    CheckBackupSettings.caption = "Back up the settings first";
    CheckBackupSettings.value = true;
    ButtonLoadWeb = control("Load &Web-site");
    COMPort = control("&Communication");
    COMPort.toolTip = "(Alt+U)";
    BtnChangeAddress = control("Change &address");
    BtnReset = control("&Reset Controller");
    BtnActivatePartition = control("Activate/ deactivate partition", true);
    BtnAddPartition = control("Add partition", false, false);
    BtnRemovePartition = control("Remove partition", false, false);
    LabelPartitionName = control("Partition Name:", true, false);
    CtrlPartitionName.text = "UnnamedPartition";
    CtrlPartitionName.visible = false;
    LabelPartitionSize = control("Partition Size (KB):", true, false);
    CtrlPartitionSize.text = "2048";
    CtrlPartitionSize.visible = false;
    Label1 = control(
        "Select the partition where the software should be downloaded (KVXrealC controllers "
        "only)",
        true);
    CtrlStatusLine = control("", true);
    Timer1.intervalMs = 500;
    Info = control("", false);
    Info.toolTip = "Downloading info!";
    MenuHelp = menu("&Help");
    MenuHelp1 = menu("&Help", true, "F1");
    MenuDocumentation = menu("Documentation", true, "F2");
    MenuRevision = menu("&Installed revision");
    MenuSettings = menu("&Settings");
    SaveLoadSettings = menu("&Save/Load settings", false);
    MenuAdvanced = menu("&Advanced settings");
    MenuCommissionSite = menu("&Commission several controllers…");
    MenuRestoreImage = menu("&Put back the kept application…");
}

void FormMain::Form_Load() {
    program_.connection.CurrentLink = 0;
    StartUp();
    program_.CurrentIndex = -1;
    HeightTwips = 6400;
}

void FormMain::StartUp() {
    Platform& platform = program_.platform;
    catalogue::Catalogue& cat = program_.catalogue;
    catalogue::ReadProductFolders(platform.glib, cat);
    int32_t out1 = 0;
    int32_t out2 = 0;
    platform.glib.StartUp("Krelvan", 0, out1, 0, out2);
    cat.ApplicationProgramsFolder =
        catalogue::ResolvePathPlain(platform.glib, "prod:\\Application programs");
    const std::string models = cat.ApplicationProgramsFolder + "\\Models\\";
    for (const std::string& name : platform.files.listFiles(models + "*.*")) {
        catalogue::ReadModelFile(platform.glib, cat, models + name);
        CtrlModels.enabled = true;
    }
    for (const catalogue::CModel& model : cat.ModelList) {
        CtrlModels.items.push_back({model.Velmoro, {model.Name}, 0});
    }
    CtrlStatusLine.caption.clear();
    CtrlPrograms.enabled = false;
}

void FormMain::CtrlModels_ItemClick(int row) {
    if (load::CommandRunning(program_)) return;
    catalogue::Catalogue& cat = program_.catalogue;
    if (!validRow(row, CtrlModels.items.size())) return;
    CtrlModels.selected = row;
    cat.SelectedModelIndex = static_cast<int16_t>(row);
    CtrlPrograms.clear();
    cat.ProgramList.clear();
    const catalogue::CModel& model = cat.ModelList[static_cast<size_t>(row) - 1];
    if (!model.Revisions.empty()) {
        kvxglib::Library& glib = program_.platform.glib;
        catalogue::ReadRevisionsFile(
            glib, cat, catalogue::JoinPath(glib, cat.ApplicationProgramsFolder, model.Revisions));
    }
    for (const catalogue::CProgram& entry : cat.ProgramList) {
        CtrlPrograms.items.push_back({entry.Revision, {entry.Name}, entry.Current ? 1 : 0});
        if (entry.Current) CtrlPrograms.selected = static_cast<int>(CtrlPrograms.items.size());
    }
    CtrlPrograms.enabled = true;
    for (ui::Control* c :
         {&COMPort, &BtnChangeAddress, &BtnReset, &ButtonLoadWeb, &ButtonLoadProg}) {
        c->enabled = false;
    }
    SaveLoadSettings.enabled = false;
}

void FormMain::CtrlPrograms_ItemClick(int row) {
    if (load::CommandRunning(program_)) return;
    if (!validRow(row, CtrlPrograms.items.size())) return;
    CtrlPrograms.selected = row;
    program_.catalogue.SelectedProgramIndex = static_cast<int16_t>(row);
    COMPort.enabled = true;
    bool eMail = false;
    bool webSite = false;
    std::string settingsPackage;
    catalogue::ResolveSelectedRevision(program_.platform, program_.catalogue,
                                       CtrlPrograms.selectedText(), eMail, webSite,
                                       settingsPackage);
    program_.SelectedHasEMail = eMail;
    program_.SelectedHasWebSite = webSite;
    program_.SelectedSettingsPackage = settingsPackage;
    SaveLoadSettings.enabled = !settingsPackage.empty();
    const bool linked = program_.connection.CurrentLink != 0;
    ButtonLoadProg.enabled = linked;
    BtnChangeAddress.enabled = linked;
    BtnReset.enabled = linked;
    ButtonLoadWeb.enabled = webSite && linked;
}

void FormMain::CtrlPartitions_ItemClick(int row) {
    if (load::CommandRunning(program_)) return;
    if (!validRow(row, CtrlPartitions.items.size())) return;
    CtrlPartitions.selected = row;
    program_.catalogue.SelectedPartitionIndex = static_cast<int16_t>(row);
}

void FormMain::MenuAdvanced_Click() {
    for (ui::Control* c :
         {&BtnAddPartition, &BtnRemovePartition, &LabelPartitionName, &LabelPartitionSize}) {
        c->visible = true;
    }
    CtrlPartitionName.visible = true;
    CtrlPartitionSize.visible = true;
    HeightTwips = 9500;
}

std::string FormMain::GetToolPath() {
    return catalogue::ResolvePath(program_.platform.glib, "Prod:\\Program");
}

void FormMain::ShowCurrentController() {
    CurrentController.clear();
    // The running IP belongs to a TCP/IP controller; on the serial link it would be an earlier
    // controller's.
    const std::string ip = program_.connection.CommKind == 2 ? program_.TcpCfg.IP : "";
    CurrentController.items.push_back({"",
                                       {program_.current.CurrentName, program_.current.CurrentSN,
                                        ip, program_.current.CurrentDesc},
                                       0});
}

void FormMain::ShowControllerLine(int16_t pla, int16_t ela) {
    const clink::Connection& c = program_.connection;
    const bool tcp = c.CommKind == 2;
    if ((tcp && c.CurrentLink == 0) || c.CommKind == 0) {
        ControllerLine.caption = "No controller connected";
        return;
    }
    const std::string link = tcp ? " over TCP/IP" : " on the serial link";
    if (pla == 0 && ela == 0) {
        ControllerLine.caption = "No controller answered" + link;
        return;
    }
    std::string line = "Controller " + std::to_string(pla) + ":" + std::to_string(ela);
    if (!ControllerType.empty()) line += " (" + ControllerType + ")";
    ControllerLine.caption = line + link;
}

void FormMain::ResetMainWindowState() {
    CurrentController.clear();
    // A running command holds the lock; it sets the controls again when it ends.
    if (program_.load.commandRunning) return;
    for (ui::Control* c : {&CtrlModels, &CtrlPrograms}) c->enabled = true;
    for (ui::Control* c :
         {&ButtonLoadProg, &ButtonLoadWeb, &COMPort, &BtnChangeAddress, &BtnReset}) {
        c->enabled = true;
    }
    SaveLoadSettings.enabled = true;
}

void FormMain::RefreshPartitionList() { load::RefreshPartitionList(program_); }

void FormMain::ButtonLoadProg_Click() { load::LoadController(program_); }
void FormMain::ButtonLoadWeb_Click() { load::LoadWebSiteCommand(program_); }
void FormMain::COMPort_Click() {
    if (load::CommandRunning(program_)) return;
    network::OpenCommunicationSettings(program_, 0);
}
void FormMain::BtnChangeAddress_Click() { load::ChangeAddress(program_); }
void FormMain::BtnReset_Click() {
    // The controller restarts without a word of its own: say what was done and where it is now.
    if (load::ResetController(program_)) {
        const clink::Connection& c = program_.connection;
        CtrlStatusLine.caption = "Controller reset; it answers at " +
                                 std::to_string(c.CurrentPLA) + ":" + std::to_string(c.CurrentELA) +
                                 " for now.";
    } else {
        CtrlStatusLine.caption = "Reset not done.";
    }
}
void FormMain::BtnAddPartition_Click() { load::AddPartition(program_); }
void FormMain::BtnRemovePartition_Click() { load::RemovePartitionCommand(program_); }
void FormMain::BtnActivatePartition_Click() { load::TogglePartition(program_); }
void FormMain::Info_Click() { load::ShowJobLoaderInfo(program_); }
void FormMain::Timer1_Timer() { load::ShowJobLoaderProgress(program_); }
void FormMain::MenuHelp1_Click() { OpenManual(program_); }
void FormMain::MenuDocumentation_Click() { OpenDocumentationFolder(program_); }
void FormMain::MenuRevision_Click() { OpenInstalledRevisions(program_); }
void FormMain::SaveLoadSettings_Click() { RunSettingsTool(program_, GetToolPath()); }

}  // namespace app
