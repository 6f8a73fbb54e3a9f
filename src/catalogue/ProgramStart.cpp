#include "catalogue/ProgramStart.h"

#include "catalogue/Paths.h"

namespace catalogue {
namespace {

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string SplitCommandLine(const std::string& commandLine, std::string& arguments) {
    if (!commandLine.empty() && commandLine[0] == '"') {
        const size_t closing = commandLine.find('"', 1);
        if (closing == std::string::npos) return commandLine.substr(1);
        arguments = trim(commandLine.substr(closing + 1));
        return commandLine.substr(1, closing - 1);
    }
    const size_t dot = commandLine.find('.');
    if (dot == std::string::npos) return commandLine;
    const size_t blank = commandLine.find(' ', dot + 1);
    if (blank == std::string::npos) return commandLine;
    arguments = trim(commandLine.substr(blank + 1));
    return commandLine.substr(0, blank);
}

int32_t RunProgram(Platform& platform, const std::string& program, std::string arguments) {
    std::string path = ResolvePath(platform.glib, trim(program));
    ui::HourglassScope hourglass(platform.screen);
    if (arguments.empty()) path = SplitCommandLine(path, arguments);
    int32_t out1 = 0;
    int32_t out2 = 0;
    return platform.glib.RunProgram(path, arguments, platform.files.currentDirectory(), out1, 1,
                                    out2, "");
}

}  // namespace catalogue
