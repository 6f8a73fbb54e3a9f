#include "platform/image/SiteArchive.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/wire/Bytes.h"

namespace image {
namespace {

constexpr char kSiteMagic[8] = {'K', 'R', 'V', 'S', 'I', 'T', 'E', '1'};
constexpr std::size_t kMaxPath = 255;

}  // namespace

std::string sitePathProblem(const std::string& path) {
    if (path.empty()) return "an empty file name";
    if (path.size() > kMaxPath) return "a file name longer than 255 bytes";
    if (path.front() == '/') return "the absolute file name " + path;
    if (path.find('\\') != std::string::npos || path.find('\0') != std::string::npos)
        return "the file name " + path + " with a backslash or a zero byte";
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return "the file name " + path + " that leaves its folder";
        start = end + 1;
    }
    return {};
}

SiteReading readSiteArchive(std::span<const uint8_t> payload) {
    SiteReading out;
    wire::ByteReader in(payload);
    const auto magic = in.bytes(sizeof kSiteMagic);
    if (in.failed() || !std::equal(magic.begin(), magic.end(), std::begin(kSiteMagic))) {
        out.error = "it holds no site archive";
        return out;
    }
    const uint16_t count = in.u16();
    if (!in.failed() && (count == 0 || count > kMaxSiteFiles)) {
        out.error = "it holds " + std::to_string(count) + " files (1 to 1024 are allowed)";
        return out;
    }
    std::set<std::string> seen;
    for (uint16_t i = 0; i < count && !in.failed(); ++i) {
        SiteFile file;
        file.path = in.text(in.u8());
        const uint32_t size = in.u32();
        const auto content = in.bytes(size);
        if (in.failed()) break;
        if (const std::string problem = sitePathProblem(file.path); !problem.empty()) {
            out.error = "it holds " + problem;
            return out;
        }
        if (!seen.insert(file.path).second) {
            out.error = "it holds " + file.path + " twice";
            return out;
        }
        file.content.assign(content.begin(), content.end());
        out.files.push_back(std::move(file));
    }
    if (in.failed()) {
        out.error = "the site archive is truncated";
    } else if (!in.atEnd()) {
        out.error = "the site archive has bytes after its end";
    }
    if (!out.error.empty()) out.files.clear();
    return out;
}

std::optional<std::vector<uint8_t>> serializeSiteArchive(const std::vector<SiteFile>& files,
                                                         std::string& why) {
    if (files.empty() || files.size() > kMaxSiteFiles) {
        why = "a site holds 1 to 1024 files, not " + std::to_string(files.size());
        return std::nullopt;
    }
    std::vector<uint8_t> out(std::begin(kSiteMagic), std::end(kSiteMagic));
    wire::ByteWriter w(out);
    w.u16(static_cast<uint16_t>(files.size()));
    std::set<std::string> seen;
    for (const SiteFile& f : files) {
        why = sitePathProblem(f.path);
        if (why.empty() && !seen.insert(f.path).second) why = f.path + " is given twice";
        if (why.empty() && f.content.size() > UINT32_MAX) why = f.path + " is too large";
        if (!why.empty()) return std::nullopt;
        w.u8(static_cast<uint8_t>(f.path.size()));
        w.text(f.path);
        w.u32(static_cast<uint32_t>(f.content.size()));
        w.bytes(f.content);
    }
    return out;
}

std::optional<std::vector<SiteFile>> siteFilesOf(const std::string& folder, std::string& why) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        why = folder + " is no folder";
        return std::nullopt;
    }
    std::vector<SiteFile> files;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        // A link could carry any file of the machine into a site that anyone may browse.
        if (it->is_symlink(ec)) {
            why = it->path().string() + " is a symbolic link; a site holds only its own files";
            return std::nullopt;
        }
        if (!it->is_regular_file(ec)) continue;
        SiteFile file;
        file.path = fs::relative(it->path(), folder, ec).generic_string();
        std::ifstream in(it->path(), std::ios::binary);
        file.content.assign(std::istreambuf_iterator<char>(in), {});
        if (!in.good() && !in.eof()) {
            why = "cannot read " + it->path().string();
            return std::nullopt;
        }
        files.push_back(std::move(file));
    }
    if (ec) {
        why = "cannot list " + folder + ": " + ec.message();
        return std::nullopt;
    }
    if (files.empty()) {
        why = folder + " holds no files";
        return std::nullopt;
    }
    std::sort(files.begin(), files.end(),
              [](const SiteFile& a, const SiteFile& b) { return a.path < b.path; });
    return files;
}

}  // namespace image
