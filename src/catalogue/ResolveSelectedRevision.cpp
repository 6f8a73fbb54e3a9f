#include "catalogue/ResolveSelectedRevision.h"

#include "catalogue/LibraryText.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/SectionedFile.h"
#include "catalogue/TextUtil.h"
#include "platform/text/Text.h"

namespace catalogue {

bool RegisterProject(Platform& platform, Catalogue& catalogue, const std::string& folder) {
    int32_t out1 = 0;
    int32_t out2 = 0;
    const int32_t result = platform.nam.OpenProject(text::toWide(folder),
                                                    catalogue.ProjectNameHandle, 0, out1, 0, 0,
                                                    out2, u"");
    if (result != -1) {
        ShowErrorMessage(platform.glib, "Can not register in KVXname!");
        return false;
    }
    return true;
}

void ResolveSelectedRevision(Platform& platform, Catalogue& catalogue,
                             const std::string& selectedRevision, bool& eMail, bool& webSite,
                             std::string& settingsPackage) {
    kvxglib::Library& glib = platform.glib;
    const std::string applicationPrograms =
        ResolvePathPlain(glib, "prod:\\Application programs");
    if (catalogue.SelectedModelIndex < 1 ||
        static_cast<size_t>(catalogue.SelectedModelIndex) > catalogue.ModelList.size()) {
        return;
    }
    const CModel& model =
        catalogue.ModelList[static_cast<size_t>(catalogue.SelectedModelIndex) - 1];
    const std::string revisionFolder = ParentFolder(glib, model.Revisions);
    SectionedFile file(glib, applicationPrograms + "\\" + revisionFolder + "\\Revisions.txt");
    if (!file.isOpen()) return;

    std::string keptRevision;
    std::string name;
    while (keptRevision != selectedRevision) {
        const int32_t section = file.nextSection(name);
        if (section == 0) break;
        keptRevision = "0.0-0-00";
        eMail = false;
        webSite = false;
        settingsPackage.clear();
        std::string key;
        std::string value;
        while (file.nextEntry(section, key, value)) {
            if (key == "Revision") {
                keptRevision = value;
            } else if (key == "Programs") {
                const std::string programsPath =
                    JoinPath(glib, applicationPrograms + "\\" + revisionFolder, value);
                catalogue.SelectedModuleDirectory =
                    TextFromPointer(glib, glib.ReadSetting(programsPath, "Program", "Directory", ""));
                catalogue.SelectedProjectFolder = ParentFolder(glib, programsPath);
                if (catalogue.ProjectNameHandle != 0) {
                    int32_t handle = catalogue.ProjectNameHandle;
                    platform.nam.CloseProject(handle);
                    catalogue.ProjectNameHandle = 0;
                }
                if (!RegisterProject(platform, catalogue, catalogue.SelectedProjectFolder)) return;
                platform.nam.SelectModule(catalogue.ProjectNameHandle,
                                          catalogue.SelectedModuleDirectory, 0);
            } else if (key == "EMail") {
                eMail = IsYes(value);
            } else if (key == "SaveDPacs") {
                settingsPackage = value;
            } else if (key == "WebSajt") {
                webSite = IsYes(value);
                if (keptRevision == selectedRevision) return;
            }
        }
    }
}

}  // namespace catalogue
