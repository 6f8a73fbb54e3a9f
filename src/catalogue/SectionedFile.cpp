#include "catalogue/SectionedFile.h"

namespace catalogue {

SectionedFile::SectionedFile(kvxglib::Library& glib, const std::string& path, bool strictOpen)
    : glib_(glib) {
    int32_t status = 0;
    const int32_t result = glib_.OpenSectionedFile(path, handle_, 0, 0, status, "");
    open_ = strictOpen ? (result & 0xFFFF) == 0xFFFF : result != 0;
}

SectionedFile::~SectionedFile() {
    if (open_) glib_.CloseSectionedFile(handle_);
}

int32_t SectionedFile::nextSection(std::string& name) {
    std::string second;
    int32_t status = 0;
    return glib_.NextSection(handle_, name, second, status);
}

int32_t SectionedFile::findSection(const std::string& name) {
    std::string text;
    int32_t status = 0;
    return glib_.FindSection(handle_, name, text, status, 0);
}

bool SectionedFile::nextEntry(int32_t cursor, std::string& key, std::string& value) {
    std::string third;
    int32_t status = 0;
    return glib_.NextEntry(cursor, key, value, third, status) != 0;
}

}  // namespace catalogue
