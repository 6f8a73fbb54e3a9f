#pragma once
// The open sectioned files behind the library's handles and section cursors. Handles are the
// smallest free positive numbers; cursors are non-zero and each remembers its next entry.
// The unnamed lead section is not listed by nextSection but can be found by the name "".
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/kvxglib/SectionedFile.h"

namespace kvxglib {

class SectionedFileTable {
  public:
    // The new handle.
    int32_t add(std::shared_ptr<const SectionedFile> file);
    // Forgets the handle and its cursors; an unknown handle is ignored.
    void close(int32_t handle);

    // The cursor of the next listed section, 0 when there is none or the handle is unknown.
    int32_t nextSection(int32_t handle, std::string& name);
    // The cursor of the first section named `name`, 0 when absent.
    int32_t findSection(int32_t handle, const std::string& name);
    // False at the end of the section or for an unknown cursor.
    bool nextEntry(int32_t cursor, std::string& key, std::string& value);

    size_t openCount() const { return files_.size(); }

  private:
    struct OpenFile {
        std::shared_ptr<const SectionedFile> file;
        size_t nextSection = 0;
    };
    struct Cursor {
        int32_t handle;
        size_t section;
        size_t nextEntry = 0;
    };
    int32_t newCursor(int32_t handle, size_t section);

    std::map<int32_t, OpenFile> files_;
    std::map<int32_t, Cursor> cursors_;
    int32_t lastCursor_ = 0;
};

}  // namespace kvxglib
