#include "site/SiteSteps.h"

#include "app/Dispatch.h"
#include "app/Program.h"
#include "link/ConnectionChecks.h"
#include "load/AddressCommands.h"
#include "load/Controller.h"
#include "load/FormLoadApplication.h"
#include "load/FormUpgradeKVXreal.h"
#include "load/LoadController.h"
#include "load/ProgramPartitionChoice.h"
#include "network/ControllerLookup.h"
#include "operations/ImageBackup.h"
#include "operations/LineUi.h"
#include "operations/OsUpgrade.h"
#include "operations/OsVersion.h"
#include "operations/Reach.h"
#include "operations/ReadBack.h"
#include "operations/Selection.h"
#include "operations/Session.h"
#include "operations/SettingsBackup.h"
#include "platform/components/JobLoader.h"
#include "platform/components/finder/ProtectedControllers.h"
#include "platform/components/finder/UdpFinder.h"
#include "site/PlanCheck.h"

namespace site {
std::vector<PlanProblem> checkSitePlan(const SiteSetup& setup, const Plan& plan, std::ostream& said,
                                       Sightings* heard) {
    return checkSitePlanAndPreview(setup, plan, said, heard).problems;
}

PlanCheckResult checkSitePlanAndPreview(const SiteSetup& setup, const Plan& plan,
                                        std::ostream& said, Sightings* heard) {
    operations::Session session(setup.machineDir, said);
    app::Program& program = session.program();
    app::Dispatch(program, [&] { program.formMain.Form_Load(); });
    program.comm.NetworkPassword = setup.password;
    PlanCheckResult result = checkPlanAndPreview(program, plan);
    if (heard != nullptr) *heard = session.finders().heard();
    return result;
}

// The load's dialogs without a screen: the plan is the consent to an operating-system
// upgrade, and the progress dialog is followed for the row's progress and cancelled from it.
class SiteSteps::Forms final : public ui::FormHost {
  public:
    void showModal(ui::Form& form) override {
        if (auto* upgrade = dynamic_cast<load::FormUpgradeKVXreal*>(&form))
            upgrade->OKButton_Click();
    }
    void showModeless(ui::Form& form) override {
        if (auto* dialog = dynamic_cast<load::FormLoadApplication*>(&form)) {
            progress = dialog;
            cancelPressed = false;
        }
    }
    void hide(ui::Form& form) override {
        if (&form == progress) progress = nullptr;
    }

    load::FormLoadApplication* progress = nullptr;
    bool cancelPressed = false;
};

SiteSteps::SiteSteps(const SiteSetup& setup, const PlanRow& row, RowContext& context)
    : setup_(setup),
      row_(row),
      context_(context),
      forms_(std::make_unique<Forms>()),
      session_(std::make_unique<operations::Session>(setup.machineDir, said_)) {
    // Fifty rows broadcasting at once would miss answers and each wait for its own: the row
    // takes where its controller answered the check.
    if (setup.sightings && !row.serial.empty()) session_->finders().answerFrom(*setup.sightings);
    session_->messageBoxes().answerYes = true;
    app::Program& program = session_->program();
    program.load.forms = forms_.get();
    program.load.listAfterLoad = false;
    program.load.compression = setup.compression;
    // Cancel reaches the load at its next window, as Cancel in the dialog does.
    session_->screen().onEvents = [this] {
        app::Program& p = session_->program();
        if (forms_->progress != nullptr) {
            if (context_.cancelled() && !forms_->cancelPressed) {
                forms_->cancelPressed = true;
                forms_->progress->CancelButton_Click();
            }
            if (forms_->progress != nullptr)
                context_.progress(forms_->progress->ProgressBar1.value);
        } else if (const components::JobLoader* job = p.load.jobLoader) {
            context_.progress(job->Progress());
        }
        tell();
    };
}

SiteSteps::~SiteSteps() {
    session_->program().load.forms = nullptr;
    session_->screen().onEvents = nullptr;
}

void SiteSteps::tell() {
    const std::string text = said_.str();
    size_t end = 0;
    while ((end = text.find('\n', told_)) != std::string::npos) {
        if (end > told_) context_.message(text.substr(told_, end - told_));
        told_ = end + 1;
    }
}

bool SiteSteps::fail(const std::string& text) {
    tell();
    context_.message(text);
    return false;
}

// A site mixes controllers with the network password and open ones: the one password is
// proved only where the discovery reply says there is one or this machine knows there is one,
// and the finder never opens a plain link to a controller known to use a password, whatever
// its reply says. Without the check's sightings every controller found gets it.
std::optional<secure::Secret> SiteSteps::passwordForRow() {
    if (row_.serial.empty()) return std::nullopt;
    if (setup_.password.empty() || setup_.sightings == nullptr) return setup_.password;
    kvxglib::Library& glib = session_->program().platform.glib;
    for (const components::Sighting& seen : *setup_.sightings) {
        if (glib.SameSerialNumber(seen.reply.serialNumber, row_.serial) == 0) continue;
        const bool hasPassword =
            seen.reply.encryptionRequired || seen.reply.passwordSet ||
            components::ProtectedControllers(setup_.machineDir).has(seen.reply.serialNumber);
        return hasPassword ? setup_.password : secure::Secret();
    }
    return setup_.password;
}

bool SiteSteps::connect(ControllerReport& report) {
    app::Program& program = session_->program();
    std::string why;
    if (!operations::selectRevisionByText(program, row_.model, row_.revision, why))
        return fail(why);
    clink::Connection& c = program.connection;
    operations::LinkProblem problem;
    if (!operations::reach(*session_, {row_.link, row_.serial, passwordForRow(), 0}, problem))
        return fail(problem.why);
    if (!row_.serial.empty()) {
        const int16_t i = network::FindControllerBySerial(program, row_.serial, false);
        if (i >= 0) {
            auto& found = program.comm.finder->Item(i);
            report.serial = found.SerialNumber();
            report.name = found.Name();
            report.portOsBefore = found.PortOsRevision();
        }
    }
    // A station named by its own address is the one every step acts on, wherever it sits on
    // the link; 255:30 is the controller at the end of the link.
    if (row_.address && !(row_.address->pla == 255 && row_.address->ela == 30))
        c.Target = clink::Station{row_.address->pla, row_.address->ela};
    if (!load::ControllerOf(program).readControllerAddress(c.CurrentPLA, c.CurrentELA))
        return fail(c.Target
                        ? "no station answers at " + addressText(*row_.address) + " on " + row_.link
                        : "No controller connected");
    report.addressBefore = clink::stationText(c.CurrentPLA, c.CurrentELA);
    report.addressAfter = report.addressBefore;
    clink::DetectControllerOsKind(program, c.CurrentPLA, c.CurrentELA);
    report.osBefore = operations::readOsVersion(program);
    if (c.ControllerOsKind == "C") {
        // The controller refuses a load into the partition it runs: with none named, the row
        // takes the one free program partition, or fails before anything changed.
        int partition = row_.partition;
        if (partition == 0) {
            const load::ProgramPartitionChoice choice = load::ChooseFreeProgramPartition(program);
            if (choice.partition == 0) return fail(choice.why);
            partition = choice.partition;
        }
        if (!operations::selectPartitionRow(program, partition, why)) return fail(why);
    }
    tell();
    return true;
}

std::string SiteSteps::backupName(const ControllerReport& report) {
    const clink::Connection& c = session_->program().connection;
    // A station of a bus has no serial number: its backups go by its address.
    return !report.serial.empty() ? report.serial
                                  : "station-" + std::to_string(c.CurrentPLA) + "-" +
                                        std::to_string(c.CurrentELA);
}

bool SiteSteps::backup(ControllerReport& report) {
    app::Program& program = session_->program();
    const std::string name = backupName(report);
    std::string why;
    const auto file = operations::backupSettings(program, setup_.machineDir, name, why);
    if (!file) return fail("backup failed: " + why);
    report.backupFile = *file;
    context_.message("settings saved to " + *file);
    return true;
}

bool SiteSteps::upgradeOs(ControllerReport& report) {
    app::Program& program = session_->program();
    // Every controller, older ones over TCP/IP too, gets the revision's system as `upgrade-os`
    // gives it; having checked it here, the load does not again.
    const load::OsCheck result = operations::upgradeOs(program);
    tell();
    switch (result) {
        case load::OsCheck::Upgraded:
            // Told now: a row stopped before its read-back still says what runs.
            report.osAfter = operations::readOsVersion(program);
            context_.message("operating system upgraded");
            program.load.osChecked = true;
            return true;
        case load::OsCheck::Skipped:
            // Said, so that a row keeping its old system never looks like an upgraded one.
            context_.message("operating system " +
                             (report.osBefore.empty() ? std::string("(not read)")
                                                      : report.osBefore) +
                             " kept: no image of the revision to compare it with, or its version "
                             "could not be read");
            program.load.osChecked = true;
            return true;
        case load::OsCheck::Current:
            program.load.osChecked = true;
            return true;
        default:
            return fail("operating-system upgrade failed");
    }
}

bool SiteSteps::load(ControllerReport& report) {
    app::Program& program = session_->program();
    // An older controller's application is kept where the row's settings go, so that a load
    // that fails puts it back.
    operations::keepImagesBeforeLoad(program, setup_.machineDir, backupName(report));
    const load::LoadOutcome outcome = load::LoadController(program);
    tell();
    if (outcome == load::LoadOutcome::Loaded) return true;
    // The controller runs what it had: the row failed, and a rerun of failed rows redoes it.
    if (outcome == load::LoadOutcome::Returned) return fail("returned to the previous program");
    return fail(outcome == load::LoadOutcome::Cancelled ? "load cancelled" : "not loaded");
}

bool SiteSteps::verify(ControllerReport& report) {
    app::Program& program = session_->program();
    const operations::ReadBack read = operations::readBack(*session_, *setup_.checksums);
    report.osAfter = read.osVersion;
    if (!report.serial.empty()) {
        const int16_t i = network::FindControllerBySerial(program, report.serial, false);
        if (i >= 0) report.portOsAfter = program.comm.finder->Item(i).PortOsRevision();
    }
    report.partition = read.partition;
    if (!read.matches()) return fail(read.why);
    report.imageChecksum = read.checksum;
    return true;
}

bool SiteSteps::changeAddress(ControllerReport& report) {
    app::Program& program = session_->program();
    const StationAddress to = *row_.newAddress;
    const load::AddressChange result = load::ChangeAddressTo(program, to.pla, to.ela);
    tell();
    if (result != load::AddressChange::Changed) return fail("the address was not changed");
    report.addressAfter = addressText(to);
    return true;
}

bool SiteSteps::loadSettings(ControllerReport&) {
    std::string why;
    if (!operations::restoreSettings(session_->program(), row_.settingsFile, why))
        return fail("settings file " + row_.settingsFile + " not loaded: " + why);
    tell();
    context_.message("settings loaded from " + row_.settingsFile);
    return true;
}

}  // namespace site
