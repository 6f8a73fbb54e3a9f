#include "platform/kvxglib/SectionedFileTable.h"

#include <limits>

namespace kvxglib {

int32_t SectionedFileTable::add(std::shared_ptr<const SectionedFile> file) {
    int32_t handle = 1;
    while (files_.count(handle) != 0) ++handle;
    files_[handle] = OpenFile{std::move(file), 0};
    return handle;
}

void SectionedFileTable::close(int32_t handle) {
    files_.erase(handle);
    std::erase_if(cursors_, [handle](const auto& item) { return item.second.handle == handle; });
}

int32_t SectionedFileTable::newCursor(int32_t handle, size_t section) {
    do {
        lastCursor_ = lastCursor_ == std::numeric_limits<int32_t>::max() ? 1 : lastCursor_ + 1;
    } while (cursors_.count(lastCursor_) != 0);
    cursors_[lastCursor_] = Cursor{handle, section, 0};
    return lastCursor_;
}

int32_t SectionedFileTable::nextSection(int32_t handle, std::string& name) {
    const auto it = files_.find(handle);
    if (it == files_.end()) return 0;
    OpenFile& open = it->second;
    const auto& sections = open.file->sections();
    while (open.nextSection < sections.size() && sections[open.nextSection].lead) {
        ++open.nextSection;
    }
    if (open.nextSection >= sections.size()) return 0;
    const size_t index = open.nextSection++;
    name = sections[index].name;
    return newCursor(handle, index);
}

int32_t SectionedFileTable::findSection(int32_t handle, const std::string& name) {
    const auto it = files_.find(handle);
    if (it == files_.end()) return 0;
    const auto& sections = it->second.file->sections();
    for (size_t i = 0; i < sections.size(); ++i) {
        if (sections[i].name == name) return newCursor(handle, i);
    }
    return 0;
}

bool SectionedFileTable::nextEntry(int32_t cursor, std::string& key, std::string& value) {
    const auto it = cursors_.find(cursor);
    if (it == cursors_.end()) return false;
    Cursor& c = it->second;
    const auto& entries = files_.at(c.handle).file->sections()[c.section].entries;
    if (c.nextEntry >= entries.size()) return false;
    key = entries[c.nextEntry].key;
    value = entries[c.nextEntry].value;
    ++c.nextEntry;
    return true;
}

}  // namespace kvxglib
