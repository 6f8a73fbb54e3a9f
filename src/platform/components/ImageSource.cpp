#include "platform/components/ImageSource.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/components/JobFile.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/os/NativePath.h"
#include "platform/text/Text.h"

namespace components {
namespace {

constexpr char kImageMagic[] = "KRVIMAGE";

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::optional<ImageSource> loadImage(const std::string& native, image::Kind kind,
                                     const image::KeyReading& key, std::string& why) {
    image::Parsed parsed = image::readImageFile(native);
    if (!parsed.image) {
        why = parsed.error;
        return std::nullopt;
    }
    if (parsed.image->kind != kind) {
        why = native + " holds " + image::kindName(parsed.image->kind) + ", not " +
              image::kindName(kind);
        return std::nullopt;
    }
    why = signatureRefusal(*parsed.image, native, key);
    if (!why.empty()) return std::nullopt;
    ImageSource source{std::move(*parsed.image), native, {}};
    source.programName = text::fromOem(source.image.name);
    return source;
}

}  // namespace

image::KeyReading productKey(kvxglib::RealLibrary& library) {
    return image::readPublicKeyFile(library.machineConfig().imageKeyFile());
}

std::string signatureRefusal(const image::Image& image, const std::string& path,
                             const image::KeyReading& key) {
    // Without the product's key nothing can be trusted, so nothing is sent.
    if (!key.key) return path + " cannot be checked: " + key.error;
    const std::string problem = image::signatureProblem(image, *key.key);
    return problem.empty() ? problem : path + " " + problem;
}

void attachSignature(transfer::Job& job, const image::Image& image) {
    job.signedHead = image::encodeHead(image, 2);
    job.signature = image.signature;
}

std::string transferName(const image::Image& image) {
    if (image.kind != image::Kind::OperatingSystem) return image.name;
    const image::Version& v = image.version;
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "-" +
           std::to_string(v.branch) + "-" + std::to_string(v.revision);
}

std::optional<std::string> readWholeFile(const std::string& path, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::ostringstream out;
    out << in.rdbuf();
    if (in.bad()) {
        why = "cannot read " + path;
        return std::nullopt;
    }
    return out.str();
}

std::optional<ImageSource> openImage(const std::string& path, image::Kind kind,
                                     const image::KeyReading& key, std::string& why) {
    const std::string native = os::toNativePath(path);
    std::ifstream probe(native, std::ios::binary);
    if (!probe) {
        why = "cannot open " + native + ": " + std::strerror(errno);
        return std::nullopt;
    }
    char magic[sizeof kImageMagic - 1] = {};
    probe.read(magic, sizeof magic);
    probe.close();
    if (std::memcmp(magic, kImageMagic, sizeof magic) == 0) return loadImage(native, kind, key, why);

    const auto text = readWholeFile(native, why);
    if (!text) return std::nullopt;
    JobFileReading job = readJobFile(*text, native);
    if (!job.ok()) {
        why = job.mistakes.front();
        return std::nullopt;
    }
    if (job.job.image.empty()) {
        why = native + ": neither an image file nor a job file that names an Image";
        return std::nullopt;
    }
    auto source =
        loadImage(os::toNativePath(folderOf(native) + "/" + job.job.image), kind, key, why);
    if (!source) {
        why = native + ":" + std::to_string(job.job.imageLine) + ": " + why;
        return std::nullopt;
    }
    if (!job.job.program.empty()) source->programName = job.job.program;
    return source;
}

}  // namespace components
