#include "catalogue/Paths.h"

#include "catalogue/LibraryText.h"
#include "platform/os/NativePath.h"

namespace catalogue {
namespace {

constexpr int32_t kResolveOptions = static_cast<int32_t>(0x80000001);
constexpr int32_t kPlacedByLibrary = static_cast<int32_t>(0x80000000);

bool isNoFolder(const std::string& folder) {
    return folder.empty() || os::equalsIgnoreCase(folder, "...");
}

// The current drive and folder follow a selection unless the caller keeps them; a failure
// to change is of no consequence to the selection.
void followFolder(Platform& platform, const std::string& folder, bool keepDirectory) {
    if (!keepDirectory) platform.files.changeDirectory(folder);
}

}  // namespace

std::string ResolvePath(kvxglib::Library& glib, const std::string& path) {
    int32_t out = 0;
    return TextFromPointer(glib, glib.ResolvePath(path, kResolveOptions, out));
}

std::string ResolvePathPlain(kvxglib::Library& glib, const std::string& path) {
    int32_t out = 0;
    return TextFromPointer(glib, glib.ResolvePath(path, 0, out));
}

std::string JoinPath(kvxglib::Library& glib, const std::string& folder, const std::string& name) {
    std::string relative = name;
    if (relative.size() >= 1 && relative[0] == '\\' && (relative.size() < 2 || relative[1] != '\\')) {
        relative.erase(0, 1);
    }
    return TextFromPointer(glib, glib.JoinPath(relative, folder));
}

std::string ParentFolder(kvxglib::Library& glib, const std::string& path) {
    return TextFromPointer(glib, glib.ParentFolder(path));
}

std::string LastPathName(kvxglib::Library& glib, const std::string& path) {
    return TextFromPointer(glib, glib.LastPathName(path));
}

bool FileExists(kvxglib::Library& glib, const std::string& path) {
    return glib.FileExists(path) != 0;
}

std::string ReadKvxmaticSetting(kvxglib::Library& glib, const std::string& key,
                                const std::string& defaultValue) {
    return TextFromPointer(
        glib, glib.ReadSetting("Machine:\\Kvxmatic.Ini", "Kvxmatic", key, defaultValue));
}

void WriteKvxmaticSetting(kvxglib::Library& glib, const std::string& key,
                          const std::string& value) {
    glib.WriteSettingText("Kvxmatic.Ini", "Kvxmatic", key, value, kPlacedByLibrary);
}

void ReadProductFolders(kvxglib::Library& glib, Catalogue& catalogue) {
    catalogue.ProductDir = ReadKvxmaticSetting(glib, "ProductDir", "\\kvx");
}

bool SelectModuleFolder(Platform& platform, const std::string& folder, bool keepDirectory) {
    if (isNoFolder(folder)) return false;
    kvxglib::Library& glib = platform.glib;
    SelectProjectFolder(platform, ParentFolder(glib, folder), keepDirectory);
    if (!FileExists(glib, JoinPath(glib, folder, "Exists.Mod"))) return false;
    WriteKvxmaticSetting(glib, "CurrentModule", folder);
    followFolder(platform, folder, keepDirectory);
    return true;
}

void SelectProjectFolder(Platform& platform, const std::string& folder, bool keepDirectory) {
    if (isNoFolder(folder)) return;
    kvxglib::Library& glib = platform.glib;
    if (!FileExists(glib, JoinPath(glib, folder, "Modules.Dir"))) return;
    WriteKvxmaticSetting(glib, "CurrentProject", folder);
    followFolder(platform, folder, keepDirectory);
}

}  // namespace catalogue
