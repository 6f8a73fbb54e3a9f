#pragma once
// Readers of the three catalogue files: model files, revisions files and programs files.
#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "platform/kvxglib/Library.h"

namespace catalogue {

// Appends one model when the file opens.
void ReadModelFile(kvxglib::Library& glib, Catalogue& catalogue, const std::string& path);
// Appends the programs of every revision of a model.
void ReadRevisionsFile(kvxglib::Library& glib, Catalogue& catalogue, const std::string& path);
// The programs of every revision of `model`, read apart from `catalogue`'s own list, so that
// the selection shown stays as it is.
std::vector<CProgram> ProgramsOfModel(kvxglib::Library& glib, const Catalogue& catalogue,
                                      const CModel& model);
// Appends one program per program section.
void ReadProgramsFile(kvxglib::Library& glib, Catalogue& catalogue, const std::string& path,
                      const std::string& revision, bool current);

}  // namespace catalogue
