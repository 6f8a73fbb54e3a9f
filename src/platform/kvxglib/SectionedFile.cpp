#include "platform/kvxglib/SectionedFile.h"

#include <fcntl.h>
#include <ini.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <algorithm>
#include <iterator>
#include <mutex>

namespace kvxglib {
namespace {

// inih needs room for the line end and the terminator.
constexpr size_t MaxLine = MaxLineLength;

// inih's switches are process-wide; they are set here once, before any parse.
void configureInih() {
    static std::once_flag once;
    std::call_once(once, [] {
        ini_allow_multiline = false;
        ini_allow_inline_comments = false;  // a value may hold ";"
        ini_allow_no_value = false;
        ini_stop_on_first_error = true;
        ini_use_stack = false;
        ini_allow_realloc = true;
        ini_max_line = static_cast<int>(MaxLine + 3);
    });
}

// Feeds inih the text line by line (fgets style) and notices each "[...]" line, because inih
// reports only entries and would merge a repeated or empty section into its neighbour.
struct Reader {
    const std::string& text;
    size_t pos = 0;
    bool atLineStart = true;
    std::vector<Section>& sections;

    static char* read(char* buffer, int size, void* self) {
        auto& r = *static_cast<Reader*>(self);
        if (r.pos >= r.text.size() || size < 2) return nullptr;
        const size_t lineEnd = r.text.find('\n', r.pos);
        const size_t available =
            (lineEnd == std::string::npos ? r.text.size() : lineEnd + 1) - r.pos;
        const size_t count = std::min(available, static_cast<size_t>(size) - 1);
        if (r.atLineStart) r.noticeSection(r.pos);
        std::memcpy(buffer, r.text.data() + r.pos, count);
        buffer[count] = '\0';
        r.pos += count;
        r.atLineStart = count == available;
        return buffer;
    }

    void noticeSection(size_t start) {
        size_t p = start;
        while (p < text.size() && text[p] != '\n' &&
               std::isspace(static_cast<unsigned char>(text[p]))) {
            ++p;
        }
        if (p >= text.size() || text[p] != '[') return;
        const size_t close = text.find(']', p + 1);
        const size_t lineEnd = text.find('\n', p);
        if (close == std::string::npos || (lineEnd != std::string::npos && close > lineEnd)) {
            return;  // inih rejects the line
        }
        sections.push_back(Section{text.substr(p + 1, close - p - 1), {}, false});
    }
};

int onEntry(void* user, const char*, const char* name, const char* value) {
    auto& sections = *static_cast<std::vector<Section>*>(user);
    if (name == nullptr || value == nullptr) return 0;
    if (sections.empty()) sections.push_back(Section{"", {}, true});
    sections.back().entries.push_back(SectionEntry{name, value});
    return 1;
}

bool hasOverlongLine(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end - start > MaxLine) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::optional<SectionedFile> SectionedFile::parse(const std::string& content) {
    configureInih();
    // Copied only to drop a byte order mark: start-up parses thousands of files.
    const bool bom = content.rfind("\xEF\xBB\xBF", 0) == 0;
    const std::string stripped = bom ? content.substr(3) : std::string();
    const std::string& text = bom ? stripped : content;
    // inih reads C strings: a zero byte or a line it would have to cut is not our format.
    if (text.find('\0') != std::string::npos || hasOverlongLine(text)) return std::nullopt;

    SectionedFile file;
    Reader reader{text, 0, true, file.sections_};
    if (ini_parse_stream(&Reader::read, &reader, &onEntry, &file.sections_) != 0) {
        return std::nullopt;
    }
    return file;
}

std::optional<SectionedFile> SectionedFile::load(const std::string& nativePath) {
    const auto content = readWholeFile(nativePath);
    if (!content) return std::nullopt;
    return parse(*content);
}

const std::string* SectionedFile::find(const std::string& section, const std::string& key) const {
    for (const Section& s : sections_) {
        if (s.lead || s.name != section) continue;
        for (const SectionEntry& e : s.entries) {
            if (e.key == key) return &e.value;
        }
    }
    return nullptr;
}

// Plain system calls: start-up reads thousands of small files, and a stream costs more to set
// up than the read itself.
std::optional<std::string> readWholeFile(const std::string& nativePath) {
    const int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<std::string> content;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // The size the file had when opened is what is read; no extra call to see its end.
        std::string text(static_cast<size_t>(st.st_size), '\0');
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        text.resize(done);
        if (done == static_cast<size_t>(st.st_size)) content = std::move(text);
    }
    ::close(fd);
    return content;
}

}  // namespace kvxglib
