#pragma once
// A file of fixed-length records, opened for reading and writing. Module directory files are
// written this way.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/kvxglib/Library.h"

namespace clink {

class RecordFile {
  public:
    RecordFile(std::FILE* file, std::string path, int32_t length);
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Writes record `number` (1-based): `bytes` cut or padded with zero bytes to the record
    // length. False when the file refused the write.
    bool put(int32_t number, const std::string& bytes);
    // Reads record `number`; empty when it lies beyond the end of the file.
    std::string get(int32_t number);
    // Flushes and closes; false when any earlier write or the flush failed.
    bool close();

    const std::string& path() const { return path_; }

  private:
    std::FILE* file_;
    std::string path_;
    int32_t length_;
    bool failed_ = false;
};

// Opens `path` (created when absent, its content kept) for records of `length` bytes. On
// failure tells the user "Can not open the file <path>: <reason>" and returns nothing.
std::unique_ptr<RecordFile> OpenRecordFile(kvxglib::Library& glib, const std::string& path,
                                           int32_t length);

}  // namespace clink
