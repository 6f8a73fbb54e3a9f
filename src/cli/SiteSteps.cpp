#include "cli/SiteSteps.h"

#include <cstdio>
#include <optional>

#include "app/Dispatch.h"
#include "app/Program.h"
#include "catalogue/Paths.h"
#include "cli/CommonArgs.h"
#include "cli/ConsoleUi.h"
#include "cli/ControllerLink.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "cli/Selection.h"
#include "cli/Session.h"
#include "link/ConnectionChecks.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "load/AddressCommands.h"
#include "load/CommandLock.h"
#include "load/Controller.h"
#include "load/FormLoadApplication.h"
#include "load/FormUpgradeKVXreal.h"
#include "load/LoadController.h"
#include "load/OsUpgrade.h"
#include "load/ProgramPartitionChoice.h"
#include "network/ControllerLookup.h"
#include "platform/components/ImageSource.h"
#include "platform/components/JobFile.h"
#include "platform/components/JobLoader.h"
#include "platform/components/finder/ControllerFinder.h"
#include "platform/components/finder/UdpFinder.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/os/NativePath.h"
#include "platform/sysvars/Table.h"
#include "platform/text/Text.h"
#include "site/PlanCheck.h"
#include "site/SettingsBackup.h"

namespace cli {
namespace {

// Where a load leaves the checksum of what the controller now holds: a partition attribute on
// KVXreal C controllers, a long integer of the image file otherwise.
constexpr int16_t kImageChecksumAttribute = 1000;
constexpr int16_t kImageFile = 900;
constexpr int16_t kSerial = 1;

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
    return text;
}

// An older controller keeps the checksum of the last image its job loaded.
std::optional<std::string> lastLoadedImage(const std::string& jobFile, std::string& why) {
    const std::string native = os::toNativePath(jobFile);
    const auto text = components::readWholeFile(native, why);
    if (!text) return std::nullopt;
    const components::JobFileReading job = components::readJobFile(*text, native);
    if (!job.ok()) {
        why = job.mistakes.front();
        return std::nullopt;
    }
    for (auto step = job.job.steps.rbegin(); step != job.job.steps.rend(); ++step)
        if (step->action == components::StepAction::Load)
            return native.substr(0, native.rfind('/') + 1) + step->image;
    why = native + ": the job loads no image";
    return std::nullopt;
}

// An older controller tells its version as one fixed-width text, "MM.mm.bb.rrrr".
std::string olderOsVersion(app::Program& program, int16_t pla, int16_t ela) {
    const sysvars::Variable* revision = sysvars::findByName("QSystem.OsRevision");
    std::u16string read;
    int32_t status = 0;
    if (!clink::ReadText(program.platform.glib, program.connection.CurrentLink, pla, ela,
                         static_cast<int16_t>(revision->file), 0, revision->index, read,
                         clink::flags::Normal, status, {}))
        return {};
    int major = 0, minor = 0, branch = 0, number = 0;
    if (std::sscanf(text::fromWide(read).c_str(), "%d.%d.%d.%d", &major, &minor, &branch,
                    &number) != 4)
        return {};
    return std::to_string(major) + "." + std::to_string(minor) + "-" + std::to_string(branch) +
           "-" + std::to_string(number);
}

}  // namespace

std::vector<site::PlanProblem> checkSitePlan(const SiteSetup& setup, const site::Plan& plan,
                                             std::ostream& said, Sightings* heard) {
    Session session(setup.machineDir, said, false);
    app::Program& program = session.program();
    app::Dispatch(program, [&] { program.formMain.Form_Load(); });
    program.comm.NetworkPassword = setup.password;
    std::vector<site::PlanProblem> problems = site::checkPlan(program, plan);
    if (heard != nullptr) *heard = session.finders().heard();
    return problems;
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

SiteSteps::SiteSteps(const SiteSetup& setup, const site::PlanRow& row, site::RowContext& context)
    : setup_(setup),
      row_(row),
      context_(context),
      forms_(std::make_unique<Forms>()),
      session_(std::make_unique<Session>(setup.machineDir, said_, false)) {
    // Fifty rows broadcasting at once would miss answers and each wait for its own: the row
    // takes where its controller answered the check.
    if (setup.sightings && !row.serial.empty()) session_->finders().answerFrom(*setup.sightings);
    session_->messageBoxes().answerYes = true;
    app::Program& program = session_->program();
    program.load.forms = forms_.get();
    program.load.listAfterLoad = false;
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

std::string SiteSteps::osVersion() {
    app::Program& program = session_->program();
    const clink::Connection& c = program.connection;
    if (c.ControllerOsKind != "C") return olderOsVersion(program, c.CurrentPLA, c.CurrentELA);
    std::string text;
    const char* names[] = {"QSystem.Ver_Major", "QSystem.Ver_Minor", "QSystem.Ver_Branch",
                           "QSystem.Ver_Number"};
    const char* before[] = {"", ".", "-", "-"};
    for (int i = 0; i < 4; ++i) {
        int32_t value = 0;
        if (!load::ControllerOf(program).readNumber(c.CurrentPLA, c.CurrentELA, names[i], value))
            return {};
        text += before[i] + std::to_string(value);
    }
    return text;
}

bool SiteSteps::connect(site::ControllerReport& report) {
    app::Program& program = session_->program();
    std::string why;
    if (!selectRevisionByText(program, row_.model, row_.revision, why)) return fail(why);
    clink::Connection& c = program.connection;
    if (row_.serial.empty()) {
        try {
            const OpenedLink opened = openLink(session_->library(), row_.link, 0);
            c.CommKind = opened.commKind;
            c.CurrentLink = opened.handle;
        } catch (const LinkError& error) {
            return fail(error.message);
        } catch (const UsageError& error) {
            return fail(error.message);
        }
    } else {
        // The site's one password; the finder opens only sealed links with it.
        program.comm.NetworkPassword = setup_.password;
        if (!chooseController(program, row_.serial, why)) return fail(why);
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
        return fail(c.Target ? "no station answers at " + site::addressText(*row_.address) +
                                   " on " + row_.link
                             : "No controller connected");
    report.addressBefore = clink::stationText(c.CurrentPLA, c.CurrentELA);
    report.addressAfter = report.addressBefore;
    clink::DetectControllerOsKind(program, c.CurrentPLA, c.CurrentELA);
    report.osBefore = osVersion();
    if (c.ControllerOsKind == "C") {
        // The controller refuses a load into the partition it runs: with none named, the row
        // takes the one free program partition, or fails before anything changed.
        int partition = row_.partition;
        if (partition == 0) {
            const load::ProgramPartitionChoice choice = load::ChooseFreeProgramPartition(program);
            if (choice.partition == 0) return fail(choice.why);
            partition = choice.partition;
        }
        if (!selectPartitionRow(program, partition, why)) return fail(why);
    }
    tell();
    return true;
}

bool SiteSteps::backup(site::ControllerReport& report) {
    app::Program& program = session_->program();
    const clink::Connection& c = program.connection;
    // A station of a bus has no serial number: its backups go by its address.
    const std::string name = !report.serial.empty() ? report.serial
                                                    : "station-" + std::to_string(c.CurrentPLA) +
                                                          "-" + std::to_string(c.CurrentELA);
    std::string why;
    const auto file = site::backupSettings(program, setup_.machineDir, name, why);
    if (!file) return fail("backup failed: " + why);
    report.backupFile = *file;
    context_.message("settings saved to " + *file);
    return true;
}

bool SiteSteps::upgradeOs(site::ControllerReport&) {
    app::Program& program = session_->program();
    const clink::Connection& c = program.connection;
    // The single load checks the system only on these; having checked it here, the load does
    // not again.
    if (c.ControllerOsKind != "C" && c.CommKind != kSerial) return true;
    load::CommandLock lock(program, load::Unlock::FromProgramOptions);
    const auto& selected =
        program.catalogue
            .ProgramList[static_cast<size_t>(program.catalogue.SelectedProgramIndex) - 1];
    const load::OsCheck result =
        load::CheckOsRevision(program, load::ProgramDirectory(program, selected.Directory));
    tell();
    switch (result) {
        case load::OsCheck::Upgraded:
            context_.message("operating system upgraded");
            program.load.osChecked = true;
            return true;
        case load::OsCheck::Skipped:
        case load::OsCheck::Current:
            program.load.osChecked = true;
            return true;
        default:
            return fail("operating-system upgrade failed");
    }
}

bool SiteSteps::load(site::ControllerReport&) {
    const load::LoadOutcome outcome = load::LoadController(session_->program());
    tell();
    if (outcome == load::LoadOutcome::Loaded) return true;
    return fail(outcome == load::LoadOutcome::Cancelled ? "load cancelled" : "not loaded");
}

bool SiteSteps::verify(site::ControllerReport& report) {
    app::Program& program = session_->program();
    const clink::Connection& c = program.connection;
    load::Controller& controller = load::ControllerOf(program);
    report.osAfter = osVersion();
    if (report.osAfter.empty()) return fail("the controller's version could not be read back");
    if (!report.serial.empty()) {
        const int16_t i = network::FindControllerBySerial(program, report.serial, false);
        if (i >= 0) report.portOsAfter = program.comm.finder->Item(i).PortOsRevision();
    }
    const bool kvxrealC = c.ControllerOsKind == "C";
    const auto& selected =
        program.catalogue
            .ProgramList[static_cast<size_t>(program.catalogue.SelectedProgramIndex) - 1];
    std::optional<std::string> path = catalogue::JoinPath(
        program.platform.glib, load::ProgramDirectory(program, selected.Directory),
        kvxrealC ? selected.FileC : selected.File);
    std::string why;
    if (!kvxrealC) path = lastLoadedImage(*path, why);
    std::optional<uint32_t> expected;
    if (path)
        expected = setup_.checksums->of(
            *path,
            [&](std::string& problem) -> std::optional<uint32_t> {
                const auto source =
                    components::openImage(*path, image::Kind::Application,
                                          components::productKey(session_->library()), problem);
                if (!source) return std::nullopt;
                return source->image.payloadChecksum();
            },
            why);
    if (!expected) return fail("the image cannot be read back for the comparison: " + why);
    int32_t stored = 0;
    bool read = false;
    if (kvxrealC) {
        int32_t partition = 0;
        read = controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.ActivePartition",
                                     partition) &&
               controller.partAttr(c.CurrentPLA, c.CurrentELA, static_cast<uint8_t>(partition),
                                   kImageChecksumAttribute, stored);
        report.partition = partition;
    } else {
        int32_t status = 0;
        read = clink::ReadLong(program.platform.glib, c.CurrentLink, c.CurrentPLA, c.CurrentELA,
                               kImageFile, 0, 0, stored, clink::flags::Normal, status, {});
    }
    if (!read) return fail("the stored checksum could not be read back");
    // The report names a checksum only once it is the image's: a damaged copy is no result.
    if (static_cast<uint32_t>(stored) != *expected)
        return fail("the controller holds checksum " + hex(static_cast<uint32_t>(stored)) +
                    ", the image has " + hex(*expected));
    report.imageChecksum = hex(*expected);
    return true;
}

bool SiteSteps::changeAddress(site::ControllerReport& report) {
    app::Program& program = session_->program();
    const site::StationAddress to = *row_.newAddress;
    const load::AddressChange result = load::ChangeAddressTo(program, to.pla, to.ela);
    tell();
    if (result != load::AddressChange::Changed) return fail("the address was not changed");
    report.addressAfter = site::addressText(to);
    return true;
}

bool SiteSteps::loadSettings(site::ControllerReport&) {
    std::string why;
    if (!site::restoreSettings(session_->program(), row_.settingsFile, why))
        return fail("settings file " + row_.settingsFile + " not loaded: " + why);
    tell();
    context_.message("settings loaded from " + row_.settingsFile);
    return true;
}

}  // namespace cli
