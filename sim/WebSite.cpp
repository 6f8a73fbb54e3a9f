#include "sim/WebSite.h"

#include <cctype>
#include <sstream>

#include "platform/image/SiteArchive.h"
#include "sim/SystemVariables.h"

namespace sim {
namespace {

constexpr uint16_t kServicesFile = 242;
constexpr int32_t kHttpEnableIndex = 164;
constexpr int32_t kHttpPortIndex = 165;
constexpr int32_t kHttpActiveSiteIndex = 168;
constexpr uint16_t kTypeAttribute = 4;
constexpr uint16_t kHoldsImageAttribute = 5;
constexpr int32_t kWebType = 3;

std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

int32_t integer(const ControllerState& state, int32_t index, int32_t fallback) {
    const StoredVariable* v = state.variables.find(kServicesFile, index);
    return v != nullptr ? v->value.integer : fallback;
}

std::string contentTypeOf(const std::string& path) {
    const auto dot = path.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "html" || ext == "htm") return "text/html; charset=utf-8";
    if (ext == "css") return "text/css; charset=utf-8";
    if (ext == "js") return "text/javascript; charset=utf-8";
    if (ext == "txt") return "text/plain; charset=utf-8";
    if (ext == "png") return "image/png";
    if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
    if (ext == "gif") return "image/gif";
    if (ext == "svg") return "image/svg+xml";
    return "application/octet-stream";
}

HttpAnswer error(int status, const std::string& text) {
    HttpAnswer a;
    a.status = status;
    a.body = text + "\n";
    return a;
}

// "%41" and friends; false for a broken escape.
bool percentDecode(const std::string& in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size() || !std::isxdigit(static_cast<unsigned char>(in[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(in[i + 2])))
            return false;
        out += static_cast<char>(std::stoi(in.substr(i + 1, 2), nullptr, 16));
        i += 2;
    }
    return true;
}

const char* reasonOf(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 503:
            return "Service Unavailable";
        default:
            return "Error";
    }
}

int32_t numberOf(const Partition& p, uint16_t attribute) {
    auto it = p.attributes.find(attribute);
    const int32_t* n = it == p.attributes.end() ? nullptr : std::get_if<int32_t>(&it->second);
    return n != nullptr ? *n : 0;
}

}  // namespace

bool isWebPartition(const Partition& partition) {
    return numberOf(partition, kTypeAttribute) == kWebType;
}

bool holdsImage(const Partition& partition) {
    return numberOf(partition, kHoldsImageAttribute) != 0;
}

bool isSite(const std::string& payload) { return isSite(bytesOf(payload)); }

bool isSite(std::span<const uint8_t> payload) {
    return image::readSiteArchive(payload).error.empty();
}

HttpAnswer answerHttp(const ControllerState& state, const std::string& head) {
    std::istringstream line(head.substr(0, head.find("\r\n")));
    std::string method, target, version;
    if (!(line >> method >> target >> version) || version.rfind("HTTP/1.", 0) != 0 ||
        target.empty() || target.front() != '/')
        return error(400, "Bad request");
    if (method != "GET" && method != "HEAD") return error(405, "Only GET and HEAD are served");
    if (!state.http.enabled) return error(503, "The web server is switched off");
    target = target.substr(0, target.find_first_of("?#"));
    std::string path;
    if (!percentDecode(target.substr(1), path)) return error(400, "Bad request");
    if (path.empty() || path.back() == '/') path += "index.html";
    if (!image::sitePathProblem(path).empty()) return error(404, "Not found");
    const auto partition = state.partitions.find(static_cast<uint8_t>(state.http.activeSite));
    if (state.http.activeSite < 0 || partition == state.partitions.end() ||
        partition->second.site.empty())
        return error(404, "No web site is active");
    const image::SiteReading site = image::readSiteArchive(bytesOf(partition->second.site));
    for (const image::SiteFile& file : site.files) {
        if (file.path != path) continue;
        HttpAnswer a;
        a.contentType = contentTypeOf(path);
        a.body.assign(file.content.begin(), file.content.end());
        return a;
    }
    return error(404, "Not found: /" + path);
}

std::string httpResponse(const HttpAnswer& answer, bool withBody) {
    std::string out = "HTTP/1.1 " + std::to_string(answer.status) + " " + reasonOf(answer.status) +
                      "\r\nContent-Type: " + answer.contentType +
                      "\r\nContent-Length: " + std::to_string(answer.body.size()) +
                      "\r\nConnection: close\r\n\r\n";
    if (withBody) out += answer.body;
    return out;
}

void activateSite(ControllerState& state, uint8_t partition) {
    state.http.activeSite = partition;
    state.variables.set(kServicesFile, kHttpActiveSiteIndex, wire::Value::int16(partition));
}

void commitHttpSettings(ControllerState& state) {
    state.http.enabled = integer(state, kHttpEnableIndex, 1) != 0;
    state.http.port = integer(state, kHttpPortIndex, state.http.port);
    state.http.activeSite = integer(state, kHttpActiveSiteIndex, state.http.activeSite);
}

void setHttpPort(ControllerState& state, uint16_t port) {
    state.http.port = port;
    if (state.variables.find(kServicesFile, kHttpPortIndex) != nullptr)
        state.variables.set(kServicesFile, kHttpPortIndex, wire::Value::long32(port));
}

}  // namespace sim
