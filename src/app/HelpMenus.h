#pragma once
// The Help menu: the manual, the documentation folder of the catalogue and the list of
// installed revisions, each handed to the desktop's own viewer.
#include <string>

namespace app {

struct Program;

// The manual's full path: the resolved documentation folder keeps its trailing separator, so
// the file name follows it directly.
std::string ManualPath(Program& program);

void OpenManual(Program& program);
void OpenDocumentationFolder(Program& program);
void OpenInstalledRevisions(Program& program);

}  // namespace app
