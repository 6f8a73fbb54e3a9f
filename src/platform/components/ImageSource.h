#pragma once
// Finds and checks the image a loader is to send: an image file itself, or a job file whose
// [Job] names one (docs/job-file.md). Paths may carry backslashes and the wrong letter case.
#include <optional>
#include <string>

#include "platform/image/ImageFile.h"
#include "platform/image/ImageSignature.h"
#include "platform/transfer/TransferEngine.h"

namespace kvxglib {
class RealLibrary;
}

namespace components {

struct ImageSource {
    image::Image image;
    std::string path;         // native path of the image file
    std::string programName;  // the job file's Program, else the image's name (UTF-8)
};

// The name a transfer gives the image: an operating system is named by its version,
// "major.minor-branch-revision", which the controller then reports; others by their name.
std::string transferName(const image::Image& image);

// The whole file at `path`, or nullopt with `why`.
std::optional<std::string> readWholeFile(const std::string& path, std::string& why);

// The product's public key, read from where the product installs it.
image::KeyReading productKey(kvxglib::RealLibrary& library);

// Empty when `image`, read from `path`, carries a signature that verifies against the
// product's key; else why it must not be sent, naming the file.
std::string signatureRefusal(const image::Image& image, const std::string& path,
                             const image::KeyReading& key);
// The commit of `job` carries `image`'s signature, which must outlive the job.
void attachSignature(transfer::Job& job, const image::Image& image);

// An image of `kind` from `path`; nullopt with `why` (naming the file) when the file is missing,
// damaged, foreign, of another kind or not signed by `key`, or a job file with mistakes.
std::optional<ImageSource> openImage(const std::string& path, image::Kind kind,
                                     const image::KeyReading& key, std::string& why);

}  // namespace components
