#include "operations/ImageBackup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/Program.h"
#include "catalogue/Messages.h"
#include "link/ConnectionChecks.h"
#include "operations/BackupName.h"
#include "operations/SettingsBackup.h"
#include "platform/components/LoadFigures.h"
#include "platform/wire/Crc32.h"

namespace operations {
namespace {

constexpr const char* kImageExtension = ".image";
constexpr const char* kSignedExtension = ".signed";

// `bytes` into a fresh hidden file of `folder` (0600 from mkstemp), flushed; its path, or
// nothing with `why` and no file left.
std::optional<std::string> writeTemporary(const std::string& folder,
                                          const std::vector<uint8_t>& bytes, std::string& why) {
    std::string path = folder + "/.partial-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) {
        why = "the folder " + folder + " cannot be written: " + std::strerror(errno);
        return std::nullopt;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const bool whole = done == bytes.size() && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!whole) {
        why = path + " cannot be written: " + std::strerror(error);
        ::unlink(path.c_str());
        return std::nullopt;
    }
    return path;
}

// Under the temporary's name until whole, then under its own: a crash leaves no file that looks
// like a kept application.
std::optional<std::string> publishBytes(const std::string& folder,
                                        const std::vector<uint8_t>& bytes,
                                        const std::function<std::string(int)>& nameFor,
                                        std::string& why) {
    const std::optional<std::string> temporary = writeTemporary(folder, bytes, why);
    if (!temporary) return std::nullopt;
    std::optional<std::string> path = publishNew(*temporary, folder, nameFor, why);
    ::unlink(temporary->c_str());
    return path;
}

std::optional<std::vector<uint8_t>> readBytes(const std::string& file, std::string& why) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = file + " cannot be read: " + std::strerror(errno);
        return std::nullopt;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (in.bad()) {
        why = file + " cannot be read";
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

std::optional<std::string> keepImage(const std::string& machineDir, const std::string& serial,
                                     std::chrono::system_clock::time_point when,
                                     const components::HeldApplication& application,
                                     std::string& why) {
    const std::optional<std::string> made = makeBackupFolder(machineDir, serial, why);
    if (!made) return std::nullopt;
    const std::string& folder = *made;
    const std::string stamp = backupStamp(when);
    const std::optional<std::string> path = publishBytes(
        folder, application.image,
        [&stamp](int n) { return backupFileName(stamp, n, kImageExtension); }, why);
    if (!path || application.signedHead.empty()) return path;
    // The signature under the image's own name: one without the other is no kept application.
    const std::string name = path->substr(folder.size() + 1);
    if (!publishBytes(folder, components::signaturePart(application),
                      [&name](int) { return name + kSignedExtension; }, why)) {
        ::unlink(path->c_str());
        return std::nullopt;
    }
    return path;
}

std::optional<components::HeldApplication> readKeptImage(const std::string& file,
                                                         std::string& why) {
    components::HeldApplication application;
    std::optional<std::vector<uint8_t>> bytes = readBytes(file, why);
    if (!bytes) return std::nullopt;
    if (bytes->empty()) {
        why = file + " is empty";
        return std::nullopt;
    }
    application.image = std::move(*bytes);
    application.checksum = wire::crc32(application.image);
    const std::string signedFile = file + kSignedExtension;
    if (::access(signedFile.c_str(), F_OK) == 0) {
        const auto signedPart = readBytes(signedFile, why);
        if (!signedPart) return std::nullopt;
        if (!components::takeSignaturePart(*signedPart, application)) {
            why = signedFile + " is damaged";
            return std::nullopt;
        }
    }
    return application;
}

void keepImagesBeforeLoad(app::Program& program, const std::string& machineDir,
                          const std::string& folder) {
    components::ImageKeeping keeping;
    keeping.keep = [&program, machineDir, folder](const components::HeldApplication& application,
                                                  std::string& why) -> std::optional<std::string> {
        if (!folder.empty())
            return keepImage(machineDir, folder, program.platform.clock.timeOfDay(), application,
                             why);
        constexpr int16_t kSerial = 1;
        // On the serial link CurrentSN may still name the last TCP/IP controller.
        if (program.connection.CommKind == kSerial || program.current.CurrentSN.empty())
            return std::string("memory (no serial number is known for this controller)");
        return keepImage(machineDir, program.current.CurrentSN, program.platform.clock.timeOfDay(),
                         application, why);
    };
    keeping.goOnWithout = [&program](const std::string& question) {
        return catalogue::AskOkCancelDefaultCancel(program.platform.glib, question);
    };
    program.load.keepImages = std::move(keeping);
}

bool restoreImage(app::Program& program, const std::string& file, std::string& why,
                  components::LoadFigures* moved) {
    const std::optional<components::HeldApplication> application = readKeptImage(file, why);
    if (!application) return false;
    if (program.connection.ControllerOsKind == "C") {
        why = "a KVXreal C controller runs programs in partitions; kept applications are for "
              "older controllers";
        return false;
    }
    const clink::Connection& c = program.connection;
    if (!catalogue::AskOkCancelDefaultCancel(
            program.platform.glib,
            "Put the application kept in " + file + " back into the controller at " +
                std::to_string(c.CurrentPLA) + ":" + std::to_string(c.CurrentELA) +
                "? The application it holds now is replaced.")) {
        why = "the question was answered Cancel; nothing was changed";
        return false;
    }
    std::unique_ptr<components::JobLoader> loader = program.platform.components.NewJobLoader();
    loader->Link(program.connection.CurrentLink);
    loader->Compression(program.load.compression);
    if (const auto& target = program.connection.Target) {
        loader->PLA(static_cast<uint8_t>(target->pla));
        loader->ELA(static_cast<uint8_t>(target->ela));
    }
    if (!loader->PutBack(*application, why)) return false;
    if (moved != nullptr) *moved = loader->LastLoad();
    return true;
}

void restoreNewestImage(app::Program& program, const std::string& machineDir) {
    kvxglib::Library& glib = program.platform.glib;
    clink::Connection& c = program.connection;
    const std::string& serial = program.current.CurrentSN;
    if (c.CurrentLink == 0 || serial.empty() ||
        !clink::ReadControllerAddress(program, c.CurrentPLA, c.CurrentELA)) {
        catalogue::ShowErrorMessage(glib,
                                    "Connect to an older controller found on the TCP/IP network "
                                    "first: its kept applications go by its serial number.");
        return;
    }
    clink::DetectControllerOsKind(program, c.CurrentPLA, c.CurrentELA);
    const std::optional<std::string> file = newestBackup(machineDir, serial, kImageExtension);
    if (!file) {
        catalogue::ShowInfoMessage(glib, "No application of " + serial + " is kept in " +
                                             backupFolder(machineDir, serial) + ".");
        return;
    }
    std::string why;
    components::LoadFigures moved;
    if (restoreImage(program, *file, why, &moved)) {
        const std::string rate = components::loadedText(moved);
        catalogue::ShowInfoMessage(glib, "The application kept in " + *file +
                                             " was put back and runs." +
                                             (rate.empty() ? "" : " " + rate));
    } else {
        catalogue::ShowErrorMessage(glib, "The kept application was not put back: " + why);
    }
}

}  // namespace operations
