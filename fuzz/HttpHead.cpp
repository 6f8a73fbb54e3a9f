#include "HttpHead.h"

#include "platform/image/SiteArchive.h"
#include "sim/WebSite.h"

namespace httpfuzz {
namespace {

const std::vector<image::SiteFile>& siteFiles() {
    static const std::vector<image::SiteFile> files = {
        {"index.html", {'<', 'p', '>', 'h', 'i'}},
        {"img/logo.png", {0x89, 'P', 'N', 'G'}},
        {"a b/%.txt", {'x'}},
    };
    return files;
}

sim::ControllerState servingState() {
    sim::ControllerState state;
    std::string why;
    const auto archive = image::serializeSiteArchive(siteFiles(), why);
    state.partitions[2].site.assign(archive->begin(), archive->end());
    state.http.activeSite = 2;
    return state;
}

sim::HttpAnswer answer(std::span<const uint8_t> bytes) {
    static const sim::ControllerState state = servingState();
    return sim::answerHttp(state, std::string(bytes.begin(), bytes.end()));
}

}  // namespace

bool answeredWithFile(std::span<const uint8_t> bytes) { return answer(bytes).status == 200; }

bool exerciseHttpHead(std::span<const uint8_t> bytes, std::string& failure) {
    const sim::HttpAnswer answer = httpfuzz::answer(bytes);
    switch (answer.status) {
        case 200:
        case 400:
        case 404:
        case 405:
            break;
        default:
            failure = "an unexpected status " + std::to_string(answer.status);
            return false;
    }
    if (answer.status == 200) {
        bool served = false;
        for (const image::SiteFile& file : siteFiles())
            served = served || std::string(file.content.begin(), file.content.end()) == answer.body;
        if (!served) {
            failure = "a 200 that carries none of the site's files";
            return false;
        }
    }
    const std::string response = sim::httpResponse(answer, true);
    if (response.rfind("HTTP/1.1 " + std::to_string(answer.status) + " ", 0) != 0 ||
        response.find("\r\n\r\n") == std::string::npos) {
        failure = "a malformed response";
        return false;
    }
    return true;
}

}  // namespace httpfuzz
