// Controller traffic of the general library. Until the link layer is built every call fails
// at once: a read or write reports failure, an exchange cannot start, nothing ever waits.
#include "platform/kvxglib/RealLibrary.h"

namespace kvxglib {

struct TrafficState {};

TrafficState* newTrafficState() { return new TrafficState(); }
void TrafficStateDeleter::operator()(TrafficState* state) const { delete state; }

int32_t RealLibrary::ReadVariable(int32_t, VarRef*, Variant*, int32_t, int32_t, int32_t,
                                  int32_t* status, const char16_t*) {
    if (status != nullptr) *status = -1;
    return 0;
}

int32_t RealLibrary::WriteVariable(int32_t, VarRef*, Variant*, int32_t, int32_t, int32_t,
                                   int32_t* status, const char16_t*) {
    if (status != nullptr) *status = -1;
    return 0;
}

int32_t RealLibrary::OpenWriteBatch(uint8_t** start, uint8_t** cursor, int32_t, int32_t* status) {
    if (start != nullptr) *start = nullptr;
    if (cursor != nullptr) *cursor = nullptr;
    if (status != nullptr) *status = -1;
    return 0;
}

int32_t RealLibrary::AppendWrite(VarRef*, Variant*, uint8_t*, uint8_t**, int32_t, int32_t,
                                 int32_t* status) {
    if (status != nullptr) *status = -1;
    return 0;
}

RequestHandle RealLibrary::CreateRequest(int32_t) { return 0; }
int32_t RealLibrary::BindRequest(RequestHandle, int32_t) { return 0; }
int32_t RealLibrary::SubmitRequest(RequestHandle, const uint8_t*, int16_t, int16_t, int32_t,
                                   std::string&) {
    return 0;
}
int32_t RealLibrary::StartExchange(RequestHandle) { return 0; }
// Reported complete so that a caller that polls anyway stops at once.
int32_t RealLibrary::ExchangeComplete(RequestHandle) { return -1; }
void RealLibrary::Yield() {}

int32_t RealLibrary::FetchReply(RequestHandle, uint8_t*, int16_t* length, int16_t*, int16_t*) {
    if (length != nullptr) *length = 0;
    return 0;
}

void RealLibrary::ReleaseRequest(RequestHandle, int32_t) {}

int32_t RealLibrary::SetControllerClock(int32_t, uint8_t, uint8_t, uint8_t, int32_t, intptr_t,
                                        int32_t, int32_t, int32_t) {
    return 0;
}

int32_t RealLibrary::PrepareLoaderFolder(int32_t, const std::string&, int32_t, int32_t* out) {
    if (out != nullptr) *out = 0;
    return 0;
}

}  // namespace kvxglib
