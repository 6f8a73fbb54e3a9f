#include "app/HelpMenus.h"

#include <functional>

#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/ProgramStart.h"
#include "program/Program.h"

namespace app {

std::string ManualPath(program::Program& program) {
    std::string folder =
        catalogue::ResolvePath(program.platform.glib, "Prod:\\Documentation\\English\\");
    // A resolution that dropped the separator would glue the folder and the file name.
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '/';
    return folder + "Krelvan Manual.pdf";
}

namespace {

// Opens `target` (`what` names it in a message) through `start`; a target that is not there, or
// no program to open it, is named rather than nothing happening.
void openNamed(program::Program& program, const std::string& what, const std::string& target,
               const std::function<int32_t()>& start) {
    kvxglib::Library& glib = program.platform.glib;
    if (!catalogue::FileExists(glib, target)) {
        catalogue::ShowErrorMessage(glib, what + " is not installed: " + target);
        return;
    }
    if (start() == 0)
        catalogue::ShowErrorMessage(glib, "No program to open " + target +
                                              " could be started (the desktop's opener, "
                                              "xdg-open, is needed).");
}

}  // namespace

void OpenManual(program::Program& program) {
    const std::string path = ManualPath(program);
    openNamed(program, "The manual", path, [&] {
        int32_t out1 = 0;
        int32_t out2 = 0;
        return program.platform.glib.RunProgram(path, "", "", out1, 1, out2, "");
    });
}

void OpenDocumentationFolder(program::Program& program) {
    const std::string folder =
        catalogue::ResolvePath(program.platform.glib, "Prod:\\Application programs") +
        "\\Documentation";
    openNamed(program, "The documentation folder", folder,
              [&] { return catalogue::RunProgram(program.platform, "Explorer.exe", folder); });
}

void OpenInstalledRevisions(program::Program& program) {
    const std::string file =
        catalogue::ResolvePathPlain(program.platform.glib, "prod:\\System\\Products.Dir");
    openNamed(program, "The list of installed revisions", file,
              [&] { return catalogue::RunProgram(program.platform, "Notepad.Exe", file); });
}

}  // namespace app
