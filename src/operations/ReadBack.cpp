#include "operations/ReadBack.h"

#include <cstdio>
#include <optional>

#include "app/Program.h"
#include "catalogue/Paths.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "load/Controller.h"
#include "load/LoadController.h"
#include "operations/ImageChecksums.h"
#include "operations/OsVersion.h"
#include "operations/Selection.h"
#include "operations/Session.h"
#include "platform/components/ImageSource.h"
#include "platform/components/JobFile.h"
#include "platform/os/NativePath.h"

namespace operations {
namespace {

// Where a load leaves the checksum of what the controller now holds: a partition attribute on
// KVXreal C controllers, a long integer of the image file otherwise.
constexpr int16_t kImageChecksumAttribute = 1000;
constexpr int16_t kImageFile = 900;

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

// The checksum the selected revision's image carries, for the connected controller's kind.
std::optional<uint32_t> imageChecksum(Session& session, ImageChecksums& checksums, bool kvxrealC,
                                      std::string& why) {
    app::Program& program = session.program();
    const catalogue::CProgram& selected = selectedRevision(program);
    std::optional<std::string> path = catalogue::JoinPath(
        program.platform.glib, load::ProgramDirectory(program, selected.Directory),
        kvxrealC ? selected.FileC : selected.File);
    if (!kvxrealC) path = lastLoadedImage(*path, why);
    if (!path) return std::nullopt;
    return checksums.of(
        *path,
        [&](std::string& problem) -> std::optional<uint32_t> {
            const auto source =
                components::openImage(*path, image::Kind::Application,
                                      components::productKey(session.library()), problem);
            if (!source) return std::nullopt;
            return source->image.payloadChecksum();
        },
        why);
}

}  // namespace

ReadBack readBack(Session& session, ImageChecksums& checksums) {
    app::Program& program = session.program();
    const clink::Connection& c = program.connection;
    ReadBack result;
    result.osVersion = readOsVersion(program);
    if (result.osVersion.empty()) {
        result.why = "the controller's version could not be read back";
        return result;
    }
    const bool kvxrealC = c.ControllerOsKind == "C";
    std::string why;
    const std::optional<uint32_t> expected = imageChecksum(session, checksums, kvxrealC, why);
    if (!expected) {
        result.why = "the image cannot be read back for the comparison: " + why;
        return result;
    }
    int32_t stored = 0;
    bool read = false;
    if (kvxrealC) {
        load::Controller& controller = load::ControllerOf(program);
        read =
            controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.ActivePartition",
                                  result.partition) &&
            controller.partAttr(c.CurrentPLA, c.CurrentELA, static_cast<uint8_t>(result.partition),
                                kImageChecksumAttribute, stored);
    } else {
        int32_t status = 0;
        read = clink::ReadLong(program.platform.glib, c.CurrentLink, c.CurrentPLA, c.CurrentELA,
                               kImageFile, 0, 0, stored, clink::flags::Normal, status, {});
    }
    if (!read) {
        result.why = "the stored checksum could not be read back";
        return result;
    }
    // A checksum is named only once it is the image's: a damaged copy is no result.
    if (static_cast<uint32_t>(stored) != *expected) {
        result.why = "the controller holds checksum " + hex(static_cast<uint32_t>(stored)) +
                     ", the image has " + hex(*expected);
        return result;
    }
    result.checksum = hex(*expected);
    return result;
}

}  // namespace operations
