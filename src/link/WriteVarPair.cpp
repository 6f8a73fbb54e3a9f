#include <array>
#include <cstdint>

#include "link/Errors.h"
#include "link/Exchange.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "platform/text/Text.h"

namespace clink {

bool WriteVarPair(Platform& platform, int32_t link, kvxglib::VarRef& first,
                  kvxglib::Variant& firstValue, kvxglib::VarRef& second,
                  kvxglib::Variant& secondValue, int32_t& flags, int32_t& status,
                  const Label& label) {
    kvxglib::Library& glib = platform.glib;
    int32_t batchFlags = flags | flags::Batch;
    uint8_t* start = nullptr;
    uint8_t* cursor = nullptr;
    glib.OpenWriteBatch(&start, &cursor, batchFlags, &status);
    if (static_cast<int16_t>(
            glib.AppendWrite(&first, &firstValue, start, &cursor, 1, batchFlags, &status)) != 0)
        glib.AppendWrite(&second, &secondValue, start, &cursor, 1, batchFlags, &status);

    RequestObject request(glib);
    bool result = glib.BindRequest(request.handle(), link) != 0;
    status = 0;
    const int16_t option = (flags & flags::OptionOne) != 0 ? 1 : 0;
    flags &= ~flags::OptionOne;
    if (!result || cursor == nullptr) return false;

    std::string label8 = text::fromWide(label);
    const std::ptrdiff_t used = cursor - start;
    if (used < INT16_MIN || used > INT16_MAX) throw OverflowError("write batch too long");
    const auto length = static_cast<int16_t>(used);
    glib.SubmitRequest(request.handle(), start, length, option, flags & ~flags::Yield, label8);
    if (glib.StartExchange(request.handle()) == 0) return false;

    WaitForExchange(platform, request.handle(), (flags & flags::Yield) != 0);
    // The reply of a write carries nothing the caller uses; only the fetch result counts.
    std::array<uint8_t, 129> reply{};
    int16_t capacity = 128;
    int16_t code1 = 0;
    int16_t code2 = 0;
    result = static_cast<int16_t>(
                 glib.FetchReply(request.handle(), reply.data(), &capacity, &code1, &code2)) != 0;
    return result && cursor != nullptr;
}

}  // namespace clink
