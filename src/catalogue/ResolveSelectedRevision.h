#pragma once
// Resolves the revision selected in the main window: its options, its project and module
// folders, and the naming-library project opened on them.
#include <string>

#include "catalogue/Catalogue.h"
#include "platform/Platform.h"

namespace catalogue {

// `selectedRevision` is the text of the selected program row. The three out values keep what
// the caller passed when the revisions file does not open.
void ResolveSelectedRevision(Platform& platform, Catalogue& catalogue,
                             const std::string& selectedRevision, bool& eMail, bool& webSite,
                             std::string& settingsPackage);

// Opens the naming library's project on `folder`; false (after telling the user) when refused.
bool RegisterProject(Platform& platform, Catalogue& catalogue, const std::string& folder);

}  // namespace catalogue
