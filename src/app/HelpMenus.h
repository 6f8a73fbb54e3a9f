#pragma once
// The Help menu: the manual, the documentation folder of the catalogue and the list of
// installed revisions, each handed to the desktop's own viewer.
#include <string>

namespace program {
struct Program;
}

namespace app {

// The manual's full path: the resolved documentation folder keeps its trailing separator, so
// the file name follows it directly.
std::string ManualPath(program::Program& program);

void OpenManual(program::Program& program);
void OpenDocumentationFolder(program::Program& program);
void OpenInstalledRevisions(program::Program& program);

}  // namespace app
