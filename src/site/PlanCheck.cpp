#include "site/PlanCheck.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "app/Program.h"
#include "catalogue/CatalogueFiles.h"
#include "link/ConnectionChecks.h"
#include "link/ControllerServices.h"
#include "load/PartitionRows.h"
#include "load/ProgramPartitionChoice.h"
#include "operations/SettingsBackup.h"
#include "platform/components/finder/ControllerFinder.h"
#include "platform/components/finder/LinkedController.h"
#include "platform/os/NativePath.h"
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

class Checker {
  public:
    Checker(app::Program& program, const Plan& plan) : program_(program), plan_(plan) {}

    std::vector<PlanProblem> run() {
        catalogue();
        settingsFiles();
        sameControllers();
        sameNewAddresses();
        network();
        serialBuses();
        std::stable_sort(
            problems_.begin(), problems_.end(),
            [](const PlanProblem& a, const PlanProblem& b) { return a.line < b.line; });
        return std::move(problems_);
    }

  private:
    void problem(const PlanRow& row, const std::string& text) {
        problems_.push_back({row.line, text});
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
            if (!operations::readSettingsFileNames(program_, file, why)) problem(row, why);
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

    void partitionOf(const PlanRow& row, int32_t link, int16_t pla, int16_t ela) {
        if (row.partition == 0) {
            freePartitionOf(row, link, pla, ela);
            return;
        }
        std::vector<uint8_t> numbers;
        int32_t status = 0;
        if (!clink::GetAllPartitions(program_.platform, link, pla, ela, numbers, 0, status)) {
            problem(row, "the partitions of " + rowController(row) + " could not be read");
            return;
        }
        std::vector<std::string> listed;
        for (uint8_t n : numbers) {
            if (!load::ListedPartition(n)) continue;
            if (n == row.partition) return;
            listed.push_back(std::to_string(n));
        }
        problem(row, "the controller " + rowController(row) + " has no partition " +
                         std::to_string(row.partition) + " (it has " +
                         (listed.empty() ? "none" : joined(listed)) + ")");
    }

    // A row without a partition takes the one program partition its controller does not run,
    // as the run will: none or several is the plan's to mend.
    void freePartitionOf(const PlanRow& row, int32_t link, int16_t pla, int16_t ela) {
        const clink::Connection kept = program_.connection;
        program_.connection.CurrentLink = link;
        program_.connection.CurrentPLA = pla;
        program_.connection.CurrentELA = ela;
        const load::ProgramPartitionChoice choice = load::ChooseFreeProgramPartition(program_);
        program_.connection = kept;
        if (choice.partition == 0)
            problem(row, "the controller " + rowController(row) + ": " + choice.why);
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
            if (!c.IsKvxrealC()) {
                if (row->partition != 0) notKvxrealC(*row);
            } else if (!c.EncryptionRequired() && !knownProtected(c)) {
                if (c.Connect() && c.Handle() != 0)
                    partitionOf(*row, c.Handle(), 255, 30);
                else
                    problem(*row, "the controller " + row->serial + " refused the link");
            } else {
                sealedPartition(*row, *finder, c);
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
        if (!c.PasswordAccepted())
            problem(row, "the controller " + row.serial + " refused the network password");
        else if (c.Connect() && c.Handle() != 0)
            partitionOf(row, c.Handle(), 255, 30);
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
            clink::DetectControllerOsKind(program_, at.pla, at.ela);
            if (program_.connection.ControllerOsKind != "C") {
                if (row->partition != 0) notKvxrealC(*row);
            } else
                partitionOf(*row, program_.connection.CurrentLink, at.pla, at.ela);
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
};

}  // namespace

std::vector<PlanProblem> checkPlan(app::Program& program, const Plan& plan) {
    return Checker(program, plan).run();
}

PlanCheckResult checkPlanAndPreview(app::Program& program, const Plan& plan) {
    PlanCheckResult result;
    result.problems = Checker(program, plan).run();
    for (const PlanRow& row : plan.rows) result.previews.push_back(planPreview(row));
    return result;
}

}  // namespace site
