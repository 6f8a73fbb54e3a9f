#pragma once
// Opening a link from its text: "tcp:HOST:PORT", "serial:PATH", or "serial" for link 0, the
// port Kvxmatic.Ini names.
#include <cstdint>
#include <optional>
#include <string>

namespace kvxglib {
class RealLibrary;
}

namespace operations {

struct OpenedLink {
    int32_t handle = 0;
    int16_t commKind = 0;  // 1 serial, 2 TCP/IP
};

// Why a link did not open: a text that names no link (`malformed`, the user's mistake), or
// the link's own reason.
struct LinkProblem {
    bool malformed = false;
    std::string why;
};

// `baud` 0 takes the Baud of Kvxmatic.Ini.
std::optional<OpenedLink> openLink(kvxglib::RealLibrary& library, const std::string& link,
                                   uint32_t baud, LinkProblem& problem);

}  // namespace operations
