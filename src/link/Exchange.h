#pragma once
// The request-object plumbing shared by the pair write and the request telegrams.
#include <cstdint>

#include "platform/Platform.h"

namespace clink {

constexpr int32_t RequestObjectSize = 168;

// Releases the request object however the exchange ends.
class RequestObject {
  public:
    explicit RequestObject(kvxglib::Library& glib)
        : glib_(glib), handle_(glib.CreateRequest(RequestObjectSize)) {}
    ~RequestObject() { glib_.ReleaseRequest(handle_, RequestObjectSize); }
    RequestObject(const RequestObject&) = delete;
    RequestObject& operator=(const RequestObject&) = delete;

    kvxglib::RequestHandle handle() const { return handle_; }

  private:
    kvxglib::Library& glib_;
    kvxglib::RequestHandle handle_;
};

// Polls until the library reports the exchange complete. There is no time-out here: the
// library ends every exchange. Between polls either the library's yield call runs (the window
// stays alive) or the thread sleeps 1 ms.
void WaitForExchange(Platform& platform, kvxglib::RequestHandle request, bool yield);

}  // namespace clink
