#include "operations/Links.h"

#include <string_view>

#include "operations/WholeNumber.h"
#include "platform/kvxglib/TcpLinks.h"

namespace operations {
namespace {

std::nullopt_t failed(LinkProblem& problem, bool malformed, std::string why) {
    problem = {malformed, std::move(why)};
    return std::nullopt;
}

}  // namespace

std::optional<OpenedLink> openLink(kvxglib::RealLibrary& library, const std::string& link,
                                   uint32_t baud, LinkProblem& problem) {
    std::string why;
    if (link == "serial") {
        if (!kvxglib::openLinkZero(library, why)) return failed(problem, false, why);
        return OpenedLink{0, 1};
    }
    if (link.rfind("serial:", 0) == 0) {
        const std::string path = link.substr(7);
        if (path.empty()) return failed(problem, true, "serial: needs a device path");
        const int32_t handle = kvxglib::openSerialLink(library, path, baud, &why);
        if (handle == 0) return failed(problem, false, "cannot open " + link + ": " + why);
        return OpenedLink{handle, 1};
    }
    if (link.rfind("tcp:", 0) == 0) {
        const std::string rest = link.substr(4);
        const auto colon = rest.rfind(':');
        long port = 0;
        if (colon == std::string::npos || colon == 0 ||
            !parseNumber(std::string_view(rest).substr(colon + 1), 1, 65535, port)) {
            return failed(problem, true, "link \"" + link + "\" is not tcp:HOST:PORT");
        }
        std::string host = rest.substr(0, colon);
        if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
            host = host.substr(1, host.size() - 2);
        }
        const int32_t handle =
            kvxglib::openTcpLink(library, host, static_cast<uint16_t>(port), &why);
        if (handle == 0) return failed(problem, false, "cannot open " + link + ": " + why);
        return OpenedLink{handle, 2};
    }
    return failed(problem, true,
                  "link \"" + link + "\" is neither tcp:HOST:PORT, serial:PATH nor serial");
}

}  // namespace operations
