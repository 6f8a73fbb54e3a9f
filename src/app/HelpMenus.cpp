#include "app/HelpMenus.h"

#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/ProgramStart.h"

namespace app {

std::string ManualPath(program::Program& program) {
    std::string folder =
        catalogue::ResolvePath(program.platform.glib, "Prod:\\Documentation\\English\\");
    // A resolution that dropped the separator would glue the folder and the file name.
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '/';
    return folder + "Krelvan Manual.pdf";
}

void OpenManual(program::Program& program) {
    kvxglib::Library& glib = program.platform.glib;
    const std::string path = ManualPath(program);
    // Without this check a missing manual would do nothing at all where no viewer complains.
    if (!catalogue::FileExists(glib, path)) {
        catalogue::ShowErrorMessage(glib, "The manual is not installed: " + path);
        return;
    }
    int32_t out1 = 0;
    int32_t out2 = 0;
    glib.RunProgram(path, "", "", out1, 1, out2, "");
}

void OpenDocumentationFolder(program::Program& program) {
    const std::string folder =
        catalogue::ResolvePath(program.platform.glib, "Prod:\\Application programs") +
        "\\Documentation";
    catalogue::RunProgram(program.platform, "Explorer.exe", folder);
}

void OpenInstalledRevisions(program::Program& program) {
    const std::string file =
        catalogue::ResolvePathPlain(program.platform.glib, "prod:\\System\\Products.Dir");
    catalogue::RunProgram(program.platform, "Notepad.Exe", file);
}

}  // namespace app
