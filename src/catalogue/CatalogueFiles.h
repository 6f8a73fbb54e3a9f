#pragma once
// Readers of the three catalogue files: model files, revisions files and programs files.
#include <string>

#include "catalogue/Catalogue.h"
#include "platform/kvxglib/Library.h"

namespace catalogue {

// Appends one model when the file opens.
void ReadModelFile(kvxglib::Library& glib, Catalogue& catalogue, const std::string& path);
// Appends the programs of every revision of a model.
void ReadRevisionsFile(kvxglib::Library& glib, Catalogue& catalogue, const std::string& path);
// Appends one program per program section.
void ReadProgramsFile(kvxglib::Library& glib, Catalogue& catalogue, const std::string& path,
                      const std::string& revision, bool current);

}  // namespace catalogue
