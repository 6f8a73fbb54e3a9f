#pragma once
// Path aliases, path operations and the machine-wide settings, through the general library.
#include <string>

#include "catalogue/Catalogue.h"
#include "platform/Platform.h"

namespace catalogue {

std::string ResolvePath(kvxglib::Library& glib, const std::string& path);
// Resolution with options 0, as start-up and the catalogue ask for it.
std::string ResolvePathPlain(kvxglib::Library& glib, const std::string& path);
std::string JoinPath(kvxglib::Library& glib, const std::string& folder, const std::string& name);
std::string ParentFolder(kvxglib::Library& glib, const std::string& path);
std::string LastPathName(kvxglib::Library& glib, const std::string& path);
bool FileExists(kvxglib::Library& glib, const std::string& path);

std::string ReadKvxmaticSetting(kvxglib::Library& glib, const std::string& key,
                                const std::string& defaultValue);
void WriteKvxmaticSetting(kvxglib::Library& glib, const std::string& key,
                          const std::string& value);
void ReadProductFolders(kvxglib::Library& glib, Catalogue& catalogue);

// True when `folder` holds "Exists.Mod"; remembers it (and its project) as current.
bool SelectModuleFolder(Platform& platform, const std::string& folder, bool keepDirectory);
void SelectProjectFolder(Platform& platform, const std::string& folder, bool keepDirectory);

}  // namespace catalogue
