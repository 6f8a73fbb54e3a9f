#include <algorithm>
#include <cstdint>
#include <string>

#include "link/ControllerServices.h"
#include "link/Errors.h"
#include "link/Exchange.h"
#include "link/LinkFlags.h"

namespace clink {

namespace {

uint8_t addressByte(int16_t value, const char* what) {
    if (value < 0 || value > 255)
        throw OverflowError(std::string(what) + " " + std::to_string(value) +
                            " does not fit one byte");
    return static_cast<uint8_t>(value);
}

// Reply code 2 lands in bits 8..15; a negative code fills the upper half as well.
int32_t codeTwoBits(int16_t code2) {
    const int32_t product = static_cast<int32_t>(code2) * 256;
    if (product < INT16_MIN || product > INT16_MAX)
        throw OverflowError("reply code 2 " + std::to_string(code2) + " is out of range");
    return static_cast<int32_t>(static_cast<int16_t>(product));
}

int32_t codeOneBits(int16_t code1) {
    const auto bits = static_cast<uint16_t>(code1);
    return static_cast<int32_t>((bits & 0xFFu) | (static_cast<uint32_t>(bits & 0xFF00u) << 8));
}

}  // namespace

bool SendRequest(Platform& platform, int32_t& link, int16_t& pla, int16_t& ela,
                 std::vector<uint8_t>& request, std::vector<uint8_t>& reply, int16_t& replyLength,
                 int32_t& flags, int32_t& status, std::string& label, int16_t option) {
    kvxglib::Library& glib = platform.glib;
    if (request.size() < 2) request.resize(2);
    request[0] = addressByte(pla, "PLA");
    request[1] = addressByte(ela, "ELA");
    if (request.size() > static_cast<std::size_t>(INT16_MAX))
        throw OverflowError("request of " + std::to_string(request.size()) + " bytes too long");

    RequestObject object(glib);
    glib.BindRequest(object.handle(), link);  // an unbound request shows as a failed start
    if ((flags & flags::OptionOne) != 0 && option == 0) option = 1;
    flags &= ~flags::OptionOne;
    status = 0;

    glib.SubmitRequest(object.handle(), request.data(), static_cast<int16_t>(request.size()),
                       option, flags & ~flags::Yield, label);
    if (glib.StartExchange(object.handle()) == 0) {
        reply.assign(ReplyCapacity, 0);
        status = StatusCannotStart;
        return false;
    }

    WaitForExchange(platform, object.handle(), (flags & flags::Yield) != 0);
    reply.assign(ReplyCapacity, 0);
    // The length tells the library how much the buffer holds: never more than it has.
    replyLength = std::clamp<int16_t>(replyLength, 0, static_cast<int16_t>(ReplyCapacity));
    int16_t code1 = 0;
    int16_t code2 = 0;
    const bool fetched = static_cast<int16_t>(glib.FetchReply(object.handle(), reply.data(),
                                                              &replyLength, &code1, &code2)) != 0;
    if (fetched) {
        if (replyLength <= 1)
            status |= StatusShortReply;
        else if (static_cast<std::size_t>(replyLength) < reply.size())
            reply.resize(static_cast<std::size_t>(replyLength));
    }
    status |= codeOneBits(code1) | codeTwoBits(code2);
    return fetched;
}

}  // namespace clink
