#include "link/ModuleFiles.h"

#include <vector>

#include "catalogue/TextUtil.h"
#include "platform/text/Text.h"

namespace clink {
namespace {

constexpr size_t kLength = static_cast<size_t>(kModulesDirRecordLength);

struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> splitLines(const std::string& content) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        const size_t stop = content.find_first_of("\r\n", pos);
        if (stop == std::string::npos) {
            lines.push_back({content.substr(pos), ""});
            break;
        }
        const size_t endLength = content.compare(stop, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({content.substr(pos, stop - pos), content.substr(stop, endLength)});
        pos = stop + endLength;
    }
    return lines;
}

}  // namespace

bool ModuleNameFitsModulesDir(const std::string& moduleName) {
    return text::toOem(moduleName).size() <= kModulesDirNameLength;
}

std::string ModulesDirRecord(int record, int16_t pla, int16_t ela, const std::string& moduleName) {
    using namespace catalogue;
    switch (record) {
        case 1: {
            std::string r(kLength, ' ');
            r = PutOemTextAt(r, 1, "CODEFILE!");
            r = PutByteAt(r, 10, 0x1A);
            r = PutWordAt(r, 11, kModulesDirRecordLength);
            return PutWordAt(r, 13, 1);
        }
        case 2: {
            std::string r(kLength, ' ');
            r = PutByteAt(r, 1, 1);
            r = PutByteAt(r, 2, pla);
            r = PutByteAt(r, 3, ela);
            return PutOemTextAt(r, 4, moduleName);
        }
        default:
            return std::string(kLength, '\0');
    }
}

std::string ExistsModAddressLine(int16_t pla, int16_t ela) {
    std::string line = std::to_string(pla);
    if (line.size() < 15) line.resize(15, ' ');
    return line + std::to_string(ela);
}

std::string ExistsModWithAddress(const std::string& content, int16_t pla, int16_t ela) {
    std::vector<Line> lines = splitLines(content);
    const std::string firstEnd = !lines.empty() && !lines[0].end.empty() ? lines[0].end : "\n";
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += i == 1 ? ExistsModAddressLine(pla, ela) : lines[i].text;
        out += lines[i].end.empty() ? firstEnd : lines[i].end;
    }
    return out;
}

}  // namespace clink
