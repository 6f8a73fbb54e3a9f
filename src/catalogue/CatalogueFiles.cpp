#include "catalogue/CatalogueFiles.h"

#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/SectionedFile.h"
#include "catalogue/TextUtil.h"

namespace catalogue {
namespace {

std::string parameterMessage(const std::string& key, const std::string& path) {
    return "Can't understand the parameter " + key + " in the file " + path;
}

std::string sectionMessage(const std::string& name, const std::string& path) {
    return "Can not understand the section " + name + " in the file " + path;
}

// False for a key the model file may not hold.
bool storeModelKey(CModel& model, const std::string& key, const std::string& value) {
    if (key == "Name") {
        model.Name = value;
    } else if (key == "ArtNo") {
        model.ArtNo = value;
    } else if (key == "Revisions") {
        model.Revisions = value;
    } else if (key == "Velmoro") {
        model.Velmoro = value;
    } else if (key == "Model") {
        model.Model = NumericValue(value);
    } else if (key == "Code") {
        model.Code = NumericValue(value);
    } else if (key == "Options") {
        model.Options = NumericValue(value);
    } else if (key == "TaskMask") {
        model.TaskMask = NumericValue("&H" + value);
    } else {
        return false;
    }
    return true;
}

}  // namespace

void ReadModelFile(kvxglib::Library& glib, Catalogue& catalogue, const std::string& path) {
    SectionedFile file(glib, path);
    if (!file.isOpen()) return;
    catalogue.ModelList.emplace_back();
    const int32_t section = file.findSection("ASM Model");
    if (section == 0) return;
    std::string key;
    std::string value;
    while (file.nextEntry(section, key, value)) {
        if (!storeModelKey(catalogue.ModelList.back(), key, value)) {
            ShowErrorMessage(glib, parameterMessage(key, path));
            return;
        }
    }
}

void ReadRevisionsFile(kvxglib::Library& glib, Catalogue& catalogue, const std::string& path) {
    SectionedFile file(glib, path);
    if (!file.isOpen()) return;
    std::string name;
    while (const int32_t section = file.nextSection(name)) {
        if (name != "Revision") {
            ShowErrorMessage(glib, sectionMessage(name, path));
            return;
        }
        std::string revision = "0.0-0-00";
        bool current = false;
        std::string programsPath;
        std::string key;
        std::string value;
        while (file.nextEntry(section, key, value)) {
            if (key == "Revision") {
                revision = value;
            } else if (key == "Programs") {
                programsPath = JoinPath(glib, ParentFolder(glib, path), value);
            } else if (key == "Current") {
                current = IsYes(value);
            } else if (key != "EMail" && key != "SaveDPacs" && key != "WebSajt") {
                ShowErrorMessage(glib, parameterMessage(key, path));
                return;
            }
        }
        ReadProgramsFile(glib, catalogue, programsPath, revision, current);
    }
}

std::vector<CProgram> ProgramsOfModel(kvxglib::Library& glib, const Catalogue& catalogue,
                                      const CModel& model) {
    if (model.Revisions.empty()) return {};
    Catalogue scratch;
    ReadRevisionsFile(glib, scratch,
                      JoinPath(glib, catalogue.ApplicationProgramsFolder, model.Revisions));
    return std::move(scratch.ProgramList);
}

void ReadProgramsFile(kvxglib::Library& glib, Catalogue& catalogue, const std::string& path,
                      const std::string& revision, bool current) {
    if (path.empty()) return;
    SectionedFile file(glib, path, /*strictOpen=*/false);
    if (!file.isOpen()) return;
    const std::string folder = ParentFolder(glib, path);
    std::string name;
    while (const int32_t section = file.nextSection(name)) {
        if (name != "Program") {
            ShowErrorMessage(glib, sectionMessage(name, path));
            return;
        }
        CProgram& program = catalogue.ProgramList.emplace_back();
        program.Revision = revision;
        program.Current = current;
        program.Directory = JoinPath(glib, folder, "Module1");
        std::string key;
        std::string value;
        while (file.nextEntry(section, key, value)) {
            if (key == "Name") {
                program.Name = value;
            } else if (key == "ArtNo") {
                program.ArtNo = value;
            } else if (key == "File") {
                program.File = value;
            } else if (key == "FileC") {
                program.FileC = value;
            } else if (key == "Directory") {
                program.Directory = JoinPath(glib, folder, value);
            } else {
                ShowErrorMessage(glib, "F\xC3\xB6rst\xC3\xA5r inte parameter " + key +
                                           " i filen " + path);
                return;
            }
        }
    }
}

}  // namespace catalogue
