#include "site/PlanCheck.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "app/Program.h"
#include "catalogue/CatalogueFiles.h"
#include "link/ByName.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "link/ConnectionChecks.h"
#include "link/ControllerServices.h"
#include "load/Controller.h"
#include "load/LoadController.h"
#include "load/OsUpgrade.h"
#include "load/PartitionRows.h"
#include "load/ProgramPartitionChoice.h"
#include "network/PasswordPrompt.h"
#include "operations/OsVersion.h"
#include "operations/Selection.h"
#include "operations/SettingsBackup.h"
#include "platform/components/finder/ControllerFinder.h"
#include "platform/components/finder/LinkedController.h"
#include "platform/os/NativePath.h"
#include "platform/sysvars/Table.h"
#include "platform/text/Text.h"
#include "site/RowLink.h"

namespace site {
namespace {

// Known to use a password (it proved one here before): never reached by a plain link, so its
// partitions are listed over the sealed one, as for a controller that demands it.
bool knownProtected(components::FoundController& c) {
    auto* linked = dynamic_cast<components::LinkedController*>(&c);
    return linked != nullptr && linked->knownProtected();
}

constexpr uintmax_t kMaxSettingsBytes = 16 * 1024 * 1024;

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string onLine(const PlanRow& row) { return "line " + std::to_string(row.line); }

constexpr int16_t kNameAttribute = 2;
constexpr int16_t kTitleAttribute = 110;

// The program's connection aimed at one controller while its row is looked at, as the run's
// session will be; the connection as it was at the start afterwards.
class Aimed {
  public:
    explicit Aimed(app::Program& program) : program_(program), kept_(program.connection) {}
    void at(int32_t link, int16_t pla, int16_t ela, const std::string& kind,
            const std::string& modelCode) {
        clink::Connection& c = program_.connection;
        c.CurrentLink = link;
        c.CurrentPLA = pla;
        c.CurrentELA = ela;
        c.ControllerOsKind = kind;
        c.ModelCode = modelCode;
    }
    ~Aimed() { program_.connection = kept_; }
    Aimed(const Aimed&) = delete;
    Aimed& operator=(const Aimed&) = delete;

  private:
    app::Program& program_;
    clink::Connection kept_;
};

class Checker {
  public:
    Checker(app::Program& program, const Plan& plan) : program_(program), plan_(plan) {
        for (const PlanRow& row : plan.rows) previews_.push_back(planPreview(row));
    }

    PlanCheckResult run() {
        catalogue();
        settingsFiles();
        sameControllers();
        sameNewAddresses();
        network();
        serialBuses();
        std::stable_sort(
            problems_.begin(), problems_.end(),
            [](const PlanProblem& a, const PlanProblem& b) { return a.line < b.line; });
        return {std::move(problems_), std::move(previews_)};
    }

  private:
    void problem(const PlanRow& row, const std::string& text) {
        problems_.push_back({row.line, text});
    }

    RowPreview& preview(const PlanRow& row) {
        return previews_[static_cast<size_t>(&row - plan_.rows.data())];
    }

    // The catalogue's model the row names; null when it names none.
    const catalogue::CModel* modelOf(const PlanRow& row) const {
        for (const catalogue::CModel& m : program_.catalogue.ModelList)
            if (os::equalsIgnoreCase(m.Name, row.model)) return &m;
        return nullptr;
    }

    // A controller of another model would take the program and fail on it, or fail half-way.
    bool sameModel(const PlanRow& row, long reported) {
        const catalogue::CModel* planned = modelOf(row);
        if (planned == nullptr || static_cast<long>(planned->Model) == reported) return true;
        problem(row, rowController(row) + " reports model " +
                         program_.platform.glib.ModelName(std::to_string(reported)) +
                         "; the plan says " + row.model);
        return false;
    }

    // Selects the row's revision, as the run's session will; false when the catalogue check
    // already found it wanting.
    bool selectRevision(const PlanRow& row) {
        const catalogue::CModel* model = modelOf(row);
        if (model == nullptr) return false;
        std::string why;
        // The catalogue is read already: selected as the window's lists select it.
        return operations::selectRevision(
            program_, static_cast<int>(model - program_.catalogue.ModelList.data()) + 1,
            row.revision, why);
    }

    bool sameSerial(const std::string& a, const std::string& b) {
        return program_.platform.glib.SameSerialNumber(a, b) != 0;
    }

    // The model and the revision as the window lists them.
    void catalogue() {
        const catalogue::Catalogue& cat = program_.catalogue;
        if (cat.ModelList.empty()) {
            problems_.push_back({0,
                                 "the catalogue lists no models: no row's model and revision "
                                 "can be checked (is the machine folder the right one?)"});
            return;
        }
        std::map<size_t, std::vector<std::string>> revisions;
        for (const PlanRow& row : plan_.rows) {
            size_t model = 0;
            while (model < cat.ModelList.size() &&
                   !os::equalsIgnoreCase(cat.ModelList[model].Name, row.model))
                ++model;
            if (model == cat.ModelList.size()) {
                std::vector<std::string> names;
                for (const catalogue::CModel& m : cat.ModelList) names.push_back(m.Name);
                problem(row, "unknown model \"" + row.model + "\" (the catalogue lists " +
                                 joined(names) + ")");
                continue;
            }
            if (!revisions.count(model)) {
                for (const catalogue::CProgram& p :
                     catalogue::ProgramsOfModel(program_.platform.glib, cat, cat.ModelList[model]))
                    revisions[model].push_back(p.Revision);
            }
            const std::vector<std::string>& list = revisions[model];
            const auto count = std::count(list.begin(), list.end(), row.revision);
            const std::string name = cat.ModelList[model].Name;
            if (count == 0) {
                std::vector<std::string> distinct;
                for (const std::string& r : list)
                    if (std::find(distinct.begin(), distinct.end(), r) == distinct.end())
                        distinct.push_back(r);
                problem(row, "model " + name + " has no revision \"" + row.revision + "\" (" +
                                 (distinct.empty() ? "it has no programs"
                                                   : "its revisions: " + joined(distinct)) +
                                 ")");
            } else if (count > 1) {
                problem(row, "revision " + row.revision + " of model " + name +
                                 " is ambiguous: the catalogue has " + std::to_string(count) +
                                 " programs of it");
            }
        }
    }

    void settingsFiles() {
        for (const PlanRow& row : plan_.rows) {
            if (row.settingsFile.empty()) continue;
            const std::string& file = row.settingsFile;
            // A pipe or a device named as the file would block the read or never end.
            std::error_code error;
            const auto status = std::filesystem::status(file, error);
            if (!std::filesystem::exists(status)) {
                problem(row, "the settings file " + file + " does not exist");
                continue;
            }
            if (!std::filesystem::is_regular_file(status) ||
                std::filesystem::file_size(file, error) > kMaxSettingsBytes) {
                problem(row, "the settings file " + file + " is not a settings file");
                continue;
            }
            std::string why;
            if (!selectRevision(row)) {
                if (!operations::readSettingsFileNames(program_, file, why)) problem(row, why);
            } else if (!operations::settingsFileFitsSelected(program_, file, why)) {
                problem(row, why + ": the row would end with the new program and none of its "
                                   "settings");
            }
        }
    }

    bool sameController(const PlanRow& a, const PlanRow& b) {
        if (!a.serial.empty() || !b.serial.empty())
            return !a.serial.empty() && !b.serial.empty() && sameSerial(a.serial, b.serial);
        return a.link == b.link && a.address == b.address;
    }

    void sameControllers() {
        for (size_t i = 0; i < plan_.rows.size(); ++i) {
            for (size_t j = 0; j < i; ++j) {
                if (!sameController(plan_.rows[j], plan_.rows[i])) continue;
                problem(plan_.rows[i], "the controller " + rowController(plan_.rows[i]) +
                                           " is already on " + onLine(plan_.rows[j]));
                break;
            }
        }
    }

    // New addresses count per network: the TCP/IP one, or one serial bus.
    void sameNewAddresses() {
        for (size_t i = 0; i < plan_.rows.size(); ++i) {
            const PlanRow& row = plan_.rows[i];
            if (!row.newAddress) continue;
            for (size_t j = 0; j < i; ++j) {
                const PlanRow& other = plan_.rows[j];
                if (other.newAddress != row.newAddress || other.link != row.link) continue;
                problem(row, "new address " + addressText(*row.newAddress) +
                                 " is also the new address on " + onLine(other));
                break;
            }
        }
    }

    // Where `row`'s new address is already taken by a row of the plan that keeps its address.
    const PlanRow* keptBy(const PlanRow& row, StationAddress at,
                          const std::map<const PlanRow*, StationAddress>& current) {
        for (const auto& [other, address] : current)
            if (other != &row && !other->newAddress && address == at) return other;
        return nullptr;
    }

    // One controller the row reaches: its partitions (KVXreal C), what it runs, and what the
    // run would do to its operating system, on the connection aimed at it.
    void inspect(const PlanRow& row, int32_t link, int16_t pla, int16_t ela, bool kvxrealC,
                 const std::string& modelCode) {
        // Selecting a revision reads the catalogue again, which may reset the connection.
        Aimed aimed(program_);
        const bool selected = selectRevision(row);
        aimed.at(link, pla, ela, kvxrealC ? "C" : "", modelCode);
        if (kvxrealC)
            partitionOf(row);
        else
            olderProgram(row);
        if (!selected) return;
        RowPreview& p = preview(row);
        const std::optional<load::OsOffer> offer = load::OfferedOs(
            program_,
            load::ProgramDirectory(program_, operations::selectedRevision(program_).Directory));
        p.osFrom = offer ? offer->running : operations::readOsVersion(program_);
        if (offer) p.osTo = offer->image;
    }

    // The controller refuses a load into the partition it runs: a named one must be another,
    // and a row without one takes the one program partition that does not run.
    void partitionOf(const PlanRow& row) {
        const clink::Connection& c = program_.connection;
        load::Controller& controller = load::ControllerOf(program_);
        RowPreview& p = preview(row);
        int32_t running = -1;
        if (!controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.ActivePartition",
                                   running))
            running = -1;
        if (running > 0) {
            const auto n = static_cast<uint8_t>(running);
            std::string title;
            if ((!controller.partText(c.CurrentPLA, c.CurrentELA, n, kTitleAttribute, title) ||
                 title.empty()) &&
                !controller.partText(c.CurrentPLA, c.CurrentELA, n, kNameAttribute, title))
                title.clear();
            p.programFrom = title.empty() ? "" : title + " (partition " + std::to_string(n) + ")";
        }
        if (row.partition == 0) {
            const load::ProgramPartitionChoice choice = load::ChooseFreeProgramPartition(program_);
            if (choice.partition == 0) {
                problem(row, "the controller " + rowController(row) + ": " + choice.why);
                return;
            }
            p.partition = choice.partition;
            p.partitionWhy = "the one program partition that does not run";
            return;
        }
        std::vector<uint8_t> numbers;
        if (!controller.allPartitions(c.CurrentPLA, c.CurrentELA, numbers)) {
            problem(row, "the partitions of " + rowController(row) + " could not be read");
            return;
        }
        std::vector<std::string> listed;
        for (uint8_t n : numbers) {
            if (!load::ListedPartition(n)) continue;
            if (n == row.partition) {
                if (row.partition == running)
                    problem(row, "partition " + std::to_string(row.partition) +
                                     " runs the program; the controller refuses a load into it: "
                                     "name another or leave the column empty");
                return;
            }
            listed.push_back(std::to_string(n));
        }
        problem(row, "the controller " + rowController(row) + " has no partition " +
                         std::to_string(row.partition) + " (it has " +
                         (listed.empty() ? "none" : joined(listed)) + ")");
    }

    // An older controller names its program in a system text; a partition it cannot have.
    void olderProgram(const PlanRow& row) {
        if (row.partition != 0) notKvxrealC(row);
        const clink::Connection& c = program_.connection;
        const sysvars::Variable* name = sysvars::findByName("QSystem.ApplicationName");
        std::u16string read;
        int32_t status = 0;
        if (name != nullptr &&
            clink::ReadText(program_.platform.glib, c.CurrentLink, c.CurrentPLA, c.CurrentELA,
                            static_cast<int16_t>(name->file), 0, name->index, read,
                            clink::flags::Normal, status, {}))
            preview(row).programFrom = text::fromWide(read);
    }

    void notKvxrealC(const PlanRow& row) {
        problem(row, "partition " + std::to_string(row.partition) + ": the controller " +
                         rowController(row) +
                         " is not a KVXreal C controller and has no partitions");
    }

    // The controllers found by serial number: who answers, the addresses taken on the network,
    // and their partitions. The network password is proved only to the controllers the plan
    // names, and only where a partition must be listed over a sealed link.
    void network() {
        std::vector<const PlanRow*> rows;
        for (const PlanRow& row : plan_.rows)
            if (!row.serial.empty()) rows.push_back(&row);
        if (rows.empty()) return;
        if (program_.platform.finders == nullptr) {
            problems_.push_back({0, "the TCP/IP network cannot be searched here"});
            return;
        }
        std::unique_ptr<components::ControllerFinder> finder =
            program_.platform.finders->CreateFinder();
        finder->ClearCriteria();
        finder->Password(secure::Secret());
        finder->Search();
        if (!finder->SearchProblem().empty()) {
            problems_.push_back(
                {0, "no controllers could be searched for: " + finder->SearchProblem()});
            return;
        }
        std::map<const PlanRow*, int32_t> found;
        std::map<const PlanRow*, StationAddress> current;
        for (const PlanRow* row : rows) {
            for (int32_t i = 0; i < finder->Count() && !found.count(row); ++i) {
                if (!sameSerial(finder->Item(i).SerialNumber(), row->serial)) continue;
                found[row] = i;
                current[row] = {static_cast<uint8_t>(finder->Item(i).PLA()),
                                static_cast<uint8_t>(finder->Item(i).ELA())};
                preview(*row).addressFrom = current[row];
            }
            if (!found.count(row))
                problem(*row, "no controller with serial number " + row->serial +
                                  " answers on the network");
        }
        for (const PlanRow* row : rows) {
            if (!found.count(row) || !row->newAddress) continue;
            if (const PlanRow* other = keptBy(*row, *row->newAddress, current)) {
                problem(*row, "new address " + addressText(*row->newAddress) + " is taken by " +
                                  rowController(*other) + " on " + onLine(*other) +
                                  ", which keeps it");
                continue;
            }
            for (int32_t i = 0; i < finder->Count(); ++i) {
                components::FoundController& c = finder->Item(i);
                const bool named = std::any_of(rows.begin(), rows.end(), [&](const PlanRow* r) {
                    return sameSerial(r->serial, c.SerialNumber());
                });
                if (named || c.PLA() != row->newAddress->pla || c.ELA() != row->newAddress->ela)
                    continue;
                problem(*row, "new address " + addressText(*row->newAddress) +
                                  " is taken by the controller " + c.SerialNumber() + " (" +
                                  c.Name() + "), which the plan does not name");
                break;
            }
        }
        for (const PlanRow* row : rows) {
            if (!found.count(row)) continue;
            components::FoundController& c = finder->Item(found[row]);
            if (!sameModel(*row, c.ModelNumber())) continue;
            if (!c.EncryptionRequired() && !knownProtected(c)) {
                if (c.Connect() && c.Handle() != 0)
                    inspect(*row, c.Handle(), 255, 30, c.IsKvxrealC(),
                            std::to_string(c.ModelNumber()));
                else
                    problem(*row, "the controller " + row->serial + " refused the link");
            } else if (c.IsKvxrealC()) {
                sealedPartition(*row, *finder, c);
            } else if (row->partition != 0) {
                notKvxrealC(*row);
            }
        }
    }

    // The one search's controller, now with the password: a second search would cost the run
    // another wait and could miss answers on a busy network.
    void sealedPartition(const PlanRow& row, components::ControllerFinder& finder,
                         components::FoundController& c) {
        const secure::Secret& password = program_.comm.NetworkPassword;
        if (password.empty()) {
            problem(row, "the controller " + row.serial +
                             " needs the network password to list its partitions "
                             "(--password-stdin)");
            return;
        }
        // Its controllers prove the finder's password: held for this one only.
        finder.Password(password);
        // A lock-out is no wrong password: told so, the engineer keeps trusting the right one.
        if (!c.PasswordAccepted())
            problem(row, "the controller " + row.serial +
                             (c.LastPasswordCheck() == comm::PasswordCheck::RateLimited
                                  ? std::string(" takes no password now: ") + network::kRateLimited
                                  : std::string(" refused the network password")));
        else if (c.Connect() && c.Handle() != 0)
            inspect(row, c.Handle(), 255, 30, true, std::to_string(c.ModelNumber()));
        else
            problem(row, "the controller " + row.serial + " refused the link");
        finder.Password(secure::Secret());
    }

    // The stations of each serial bus (or direct link): each must answer at its address, and a
    // new address must be free on that bus.
    void serialBuses() {
        std::vector<std::string> links;
        for (const PlanRow& row : plan_.rows)
            if (!row.link.empty() && std::find(links.begin(), links.end(), row.link) == links.end())
                links.push_back(row.link);
        for (const std::string& link : links) {
            std::vector<const PlanRow*> rows;
            for (const PlanRow& row : plan_.rows)
                if (row.link == link) rows.push_back(&row);
            std::string why;
            const int32_t handle = openRowLink(program_, link, why);
            if (handle == 0) {
                for (const PlanRow* row : rows)
                    problem(*row, "the link " + link + " cannot be opened: " + why);
                continue;
            }
            const clink::Connection kept = program_.connection;
            program_.connection.CurrentLink = handle;
            stations(link, rows);
            program_.connection = kept;
            closeRowLink(program_, handle);
        }
    }

    void stations(const std::string& link, const std::vector<const PlanRow*>& rows) {
        std::map<const PlanRow*, StationAddress> current;
        for (const PlanRow* row : rows) {
            const StationAddress at = *row->address;
            if (!clink::PollController(program_, at.pla, at.ela)) {
                problem(*row, "no station answers at " + addressText(at) + " on " + link);
                continue;
            }
            current[row] = at;
            int16_t type = 0;
            if (clink::ReadModuleType(program_, at.pla, at.ela, type) && !sameModel(*row, type))
                continue;
            clink::DetectControllerOsKind(program_, at.pla, at.ela);
            inspect(*row, program_.connection.CurrentLink, at.pla, at.ela,
                    program_.connection.ControllerOsKind == "C", "");
        }
        for (const PlanRow* row : rows) {
            if (!row->newAddress || !current.count(row)) continue;
            const StationAddress to = *row->newAddress;
            if (const PlanRow* other = keptBy(*row, to, current)) {
                problem(*row, "new address " + addressText(to) + " is taken by " +
                                  rowController(*other) + " on " + onLine(*other) +
                                  ", which keeps it");
                continue;
            }
            const bool planned = std::any_of(current.begin(), current.end(),
                                             [&](const auto& c) { return c.second == to; });
            if (!planned && clink::PollController(program_, to.pla, to.ela))
                problem(*row, "new address " + addressText(to) +
                                  " is taken: a station the plan "
                                  "does not name answers there on " +
                                  link);
        }
    }

    app::Program& program_;
    const Plan& plan_;
    std::vector<PlanProblem> problems_;
    std::vector<RowPreview> previews_;
};

}  // namespace

std::vector<PlanProblem> checkPlan(app::Program& program, const Plan& plan) {
    return Checker(program, plan).run().problems;
}

PlanCheckResult checkPlanAndPreview(app::Program& program, const Plan& plan) {
    return Checker(program, plan).run();
}

}  // namespace site
