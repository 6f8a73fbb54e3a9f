#pragma once
// Finds and checks the image a loader is to send: an image file itself, or a job file whose
// [Job] names one (docs/job-file.md). Paths may carry backslashes and the wrong letter case.
#include <optional>
#include <string>

#include "platform/image/ImageFile.h"

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

// An image of `kind` from `path`; nullopt with `why` (naming the file) when the file is missing,
// damaged, foreign or of another kind, or a job file with mistakes.
std::optional<ImageSource> openImage(const std::string& path, image::Kind kind, std::string& why);

}  // namespace components
