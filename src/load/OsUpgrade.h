#pragma once
// The operating-system check and upgrade that run before a program is loaded.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/components/OsUpgrader.h"
#include "platform/components/OsVersionChecker.h"

namespace program {
struct Program;
}

namespace load {

enum class OsCheck { Skipped, Current, Declined, Upgraded, Failed };

// Offers an upgrade when the revision ships an operating-system image whose version differs
// from the controller's; the older controllers are handed to the version checker with the
// program's directory. KVXreal C images lie in the "KVXreal" folder of the revision's folder.
// `alsoChanging` names what the command changes besides, for the question.
OsCheck CheckOsRevision(program::Program& program, const std::string& programDirectory,
                        const std::string& alsoChanging = {});

// What CheckOsRevision would decide, without asking or sending anything: the version the
// controller runs and the image's ("3.2-0-4"), `image` empty when it would not upgrade. Nothing
// when it would not compare (no image, a version that cannot be read).
struct OsOffer {
    std::string running;
    std::string image;
};
std::optional<OsOffer> OfferedOs(program::Program& program, const std::string& programDirectory);

// Runs the upgrade with the progress dialog. True when the controller took the new system;
// `from` and `to` are the versions the outcome names.
bool RunOsUpgrade(program::Program& program, components::OsUpgrader& upgrader,
                  const std::string& from = {}, const std::string& to = {});

// The version checker of controllers without KVXreal C, aimed at the connected one.
std::unique_ptr<components::OsVersionChecker> LegacyChecker(program::Program& program,
                                                           const std::string& programDirectory);

// The check of controllers without KVXreal C.
OsCheck CheckLegacyOs(program::Program& program, const std::string& programDirectory);

// The image file among `files` (sorted) for the configured name: the exact name when it is
// there, else the first one starting with the name's first five characters; "" for none.
std::string ChooseImageFile(const std::vector<std::string>& files, const std::string& imageName);

}  // namespace load
