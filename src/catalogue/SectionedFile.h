#pragma once
// A sectioned text file opened through the general library, closed when it goes out of scope.
#include <cstdint>
#include <string>

#include "platform/kvxglib/Library.h"

namespace catalogue {

class SectionedFile {
public:
    // `strictOpen` asks for -1 in the low 16 bits (the catalogue readers); otherwise any
    // non-zero result counts as opened.
    SectionedFile(kvxglib::Library& glib, const std::string& path, bool strictOpen = true);
    ~SectionedFile();
    SectionedFile(const SectionedFile&) = delete;
    SectionedFile& operator=(const SectionedFile&) = delete;

    bool isOpen() const { return open_; }
    // A section cursor, 0 when no further section; `name` receives the section's name.
    int32_t nextSection(std::string& name);
    int32_t findSection(const std::string& name);
    // False at the end of the section.
    bool nextEntry(int32_t cursor, std::string& key, std::string& value);

private:
    kvxglib::Library& glib_;
    int32_t handle_ = 0;
    bool open_ = false;
};

}  // namespace catalogue
