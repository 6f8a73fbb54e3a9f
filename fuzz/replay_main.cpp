// The main of a fuzz target outside libFuzzer (the normal build, any compiler): runs the
// target's check once on every file given and every file under the folders given, in name
// order. A finding traps and so ends the process, as under libFuzzer; the name of the file in
// hand is printed first so that the failed test's output says which one. A folder without files
// is an error too: a moved or misspelt corpus must not pass as a clean replay.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

// The regular files at `where`: itself, or everything under it. Empty with `why` set on error.
std::vector<fs::path> filesAt(const fs::path& where, std::string& why) {
    std::vector<fs::path> files;
    std::error_code ec;
    if (fs::is_regular_file(where, ec)) return {where};
    if (!fs::is_directory(where, ec)) {
        why = "no such file or folder";
        return {};
    }
    for (fs::recursive_directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) files.push_back(it->path());
    if (ec) {
        why = ec.message();
        return {};
    }
    if (files.empty()) why = "no files";
    std::sort(files.begin(), files.end());
    return files;
}

bool replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    if (!in.good() && !in.eof()) return false;
    // A buffer of exactly the file's size, as libFuzzer passes, so that a read past the end
    // runs off the allocation where a sanitizer or the allocator can see it.
    auto data = std::make_unique<uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), data.get());
    std::fprintf(stderr, "replay: %s\n", file.c_str());
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <file or corpus folder>...\n", argv[0]);
        return 2;
    }
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::string why;
        const std::vector<fs::path> files = filesAt(argv[i], why);
        if (files.empty()) {
            std::fprintf(stderr, "%s: %s\n", argv[i], why.c_str());
            return 2;
        }
        for (const fs::path& file : files) {
            if (!replay(file)) {
                std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
                return 2;
            }
            ++replayed;
        }
    }
    std::printf("%zu inputs replayed, no finding\n", replayed);
    return 0;
}
