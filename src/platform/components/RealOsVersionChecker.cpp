#include "platform/components/RealOsVersionChecker.h"

#include <cstdio>
#include <filesystem>

#include "platform/components/Channel.h"
#include "platform/os/NativePath.h"
#include "platform/sysvars/Table.h"
#include "platform/text/Text.h"
#include "platform/transfer/TransferEngine.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/ui/Screen.h"

namespace components {
namespace {

constexpr const char* kCaption = "Operating system";

std::optional<std::string> controllerRevision(Channel& c) {
    const sysvars::Variable* v = sysvars::findByName("QSystem.OsRevision");
    if (v == nullptr) return std::nullopt;
    auto value = c.read(v->address());
    if (!value) return std::nullopt;
    return text::fromOem(value->text);
}

}  // namespace

std::string fixedWidthVersion(const image::Version& v) {
    char out[32];
    std::snprintf(out, sizeof out, "%02u.%02u.%02u.%04u", unsigned(v.major % 100),
                  unsigned(v.minor % 100), unsigned(v.branch % 100),
                  unsigned(v.revision % 10000));
    return out;
}

void RealOsVersionChecker::tell(const std::string& text) {
    if (interactive_) boxes_.showMessage(text, ui::MessageKind::Error);
}

bool RealOsVersionChecker::Scan(int16_t interactive, int32_t /*options*/, int32_t& result) {
    result = 0;
    interactive_ = interactive != 0;
    image_.reset();
    first_.clear();
    second_.clear();
    Channel controller(wait_.links, link_, to_);
    const sysvars::Variable* type = sysvars::findByName("QSystem.ModuleType");
    const auto model = controller.read(type->address());
    const auto running = controllerRevision(controller);
    if (!model || !running) {
        tell("The controller's operating system could not be read: " + controller.why + ".");
        return true;
    }
    // The newest image for this model; images for any model (0) count too.
    // The images lie in the KVXreal folder of the program folder or of the revision above it.
    const std::filesystem::path program = os::toNativePath(directory_);
    std::vector<std::filesystem::directory_entry> files;
    for (const auto& folder : {program, program.parent_path()}) {
        std::error_code ec;
        const std::string images = os::toNativePath((folder / "KVXreal").string());
        for (const auto& entry : std::filesystem::directory_iterator(images, ec))
            files.push_back(entry);
    }
    for (const auto& entry : files) {
        if (!entry.is_regular_file()) continue;
        std::string why;
        // An image the product did not sign is never offered.
        auto source =
            openImage(entry.path().string(), image::Kind::OperatingSystem, key_, why);
        if (!source || (source->image.model != 0 && source->image.model != model->integer))
            continue;
        const std::string version = fixedWidthVersion(source->image.version);
        if (!image_ || version > first_) {
            first_ = version;
            image_ = std::move(source);
        }
    }
    if (!image_) return true;
    second_ = *running;
    result = 1;
    return true;
}

bool RealOsVersionChecker::Upgrade(int16_t ask, int32_t /*options*/, int32_t& result) {
    result = 0;
    if (!image_) return false;
    if (ask != 0 &&
        boxes_.ask("The controller runs operating system " + second_ + ". Upgrade it to " +
                       first_ + "?",
                   kCaption, ui::buttons::YesNo) != ui::answer::Yes)
        return true;
    result = -1;
    transfer::Job job;
    job.link = link_;
    job.address = to_;
    job.target = wire::TransferTarget::OperatingSystem;
    job.model = image_->image.model;
    job.name = transferName(image_->image);
    job.image = image_->image.payload;
    attachSignature(job, image_->image);
    job.compression = compression_;
    const auto sent = transfer::TransferEngine(wait_.links).run(job, [this](const transfer::Progress&) {
        wait_.screen.processEvents();
        return true;
    });
    if (sent.ending != transfer::Ending::Completed) {
        boxes_.showMessage("The operating system was not upgraded: " + sent.message +
                               ". The controller keeps the one it has.",
                           ui::MessageKind::Error);
        return true;
    }
    const auto back = awaitController(wait_, link_, {to_});
    Channel controller(wait_.links, link_, to_);
    const auto running = back ? controllerRevision(controller) : std::nullopt;
    if (!running || *running != first_) {
        boxes_.showMessage(!back ? "The controller did not answer after the upgrade."
                                 : "The controller does not run " + first_ +
                                       " after the upgrade: the upgrade failed.",
                           ui::MessageKind::Error);
        return true;
    }
    second_ = *running;
    result = 1;
    return true;
}

}  // namespace components
