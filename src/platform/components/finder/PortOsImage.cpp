#include "platform/components/finder/PortOsImage.h"

#include <filesystem>
#include <system_error>

#include "platform/os/NativePath.h"
#include "platform/text/Text.h"

namespace components {

void PortOsImage::Load(const std::string& path, bool& ok) {
    const std::string native = os::toNativePath(path);
    std::error_code ec;
    ok = std::filesystem::is_regular_file(native, ec);
    check(image::readImageFile(native), native);
}

void PortOsImage::check(image::Parsed parsed, const std::string& path) {
    valid_ = false;
    image_ = {};
    path_ = path;
    if (!parsed.image) {
        why_ = parsed.error;  // names the file already
        return;
    }
    image_ = std::move(*parsed.image);
    if (image_.kind != image::Kind::PortOs)
        why_ = std::string("it holds an image of another kind (") + image::kindName(image_.kind) +
               ")";
    else if (image_.model == 0)
        why_ = "it names no port type";
    else if (image_.versionText.empty())
        why_ = "it names no revision";
    else if (image_.payload.empty())
        why_ = "it holds no operating system";
    else
        valid_ = true;
    why_ = valid_ ? std::string() : path + ": " + why_;
    if (!valid_) image_ = {};
}

std::string PortOsImage::Revision() const {
    return valid_ ? text::fromOem(image_.versionText) : std::string();
}

}  // namespace components
