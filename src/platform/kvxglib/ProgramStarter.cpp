#include "platform/kvxglib/ProgramStarter.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/kvxglib/CommandLine.h"
#include "platform/kvxglib/PathText.h"
#include "platform/os/NativePath.h"

namespace fs = std::filesystem;

namespace kvxglib {
namespace {

constexpr const char* Opener = "xdg-open";

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool isDesktopTool(const std::string& program) {
    const std::string name = os::foldCase(lastPathName(program));
    return name == "explorer.exe" || name == "explorer" || name == "notepad.exe" ||
           name == "notepad";
}

}  // namespace

bool ProgramStarter::start(const std::string& program, const std::string& arguments,
                           const std::string& directory) {
    const std::string name = trim(program);
    if (name.empty()) return false;
    std::vector<std::string> args = splitArguments(arguments);
    const std::string workDir = directory.empty() ? "" : os::toNativePath(directory);

    if (isDesktopTool(name)) {
        // These tools take their whole argument text as one path, blanks included.
        std::string target = trim(arguments);
        if (target.size() >= 2 && target.front() == '"' && target.back() == '"') {
            target = target.substr(1, target.size() - 2);
        }
        if (target.empty()) return false;
        return launcher_.launch({Opener, os::toNativePath(target)}, workDir);
    }

    // A name without a folder is a file of the working folder when one is there, else a
    // program on PATH.
    std::string path = name;
    if (isBareName(name)) {
        const std::string local = (workDir.empty() ? std::string(".") : workDir) + "/" + name;
        std::error_code ec;
        if (!fs::exists(os::toNativePath(local), ec)) {
            args.insert(args.begin(), name);
            return launcher_.launch(args, workDir);
        }
        path = local;
    } else if (name[0] != '/' && name[0] != '\\' && !workDir.empty()) {
        path = workDir + "/" + name;
    }

    const std::string native = os::toNativePath(path);
    std::error_code ec;
    const fs::file_status status = fs::status(native, ec);
    if (ec || !fs::exists(status)) return false;
    if (fs::is_regular_file(status) && ::access(native.c_str(), X_OK) == 0) {
        args.insert(args.begin(), native);
        return launcher_.launch(args, workDir);
    }
    return launcher_.launch({Opener, native}, workDir);
}

}  // namespace kvxglib
