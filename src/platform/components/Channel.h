#pragma once
// One controller as a component reaches it: an address on a link handle of the general
// library. Every call ends (the link's time-outs bound it) and says in words why it failed.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/wire/Request.h"

namespace comm {
class LinkAccess;
}

namespace components {

class Channel {
public:
    Channel(comm::LinkAccess& links, int32_t link, wire::Address to)
        : links_(links), link_(link), to_(to) {}

    wire::Address address() const { return to_; }
    int32_t link() const { return link_; }

    // True for an Ok reply, whose payload lands in `reply`. Otherwise `code1` is the reply
    // code (or a link-local code) and `why` says what happened.
    bool run(const wire::Request& request, std::vector<uint8_t>* reply = nullptr);
    bool telegram(const std::vector<uint8_t>& bytes, std::vector<uint8_t>* reply = nullptr);
    std::optional<wire::Value> read(const wire::VarAddress& address);
    bool write(const wire::VarAddress& address, const wire::Value& value);

    uint16_t code1 = 0;
    int8_t code2 = 0;
    std::string why;

private:
    comm::LinkAccess& links_;
    int32_t link_;
    wire::Address to_;
};

}  // namespace components
