#include "sim/SecretVariables.h"

#include <algorithm>

#include "platform/sysvars/Secrets.h"
#include "platform/wire/Request.h"

namespace sim {
namespace {

bool sensitive(const wire::VarAddress& a) {
    return sysvars::sensitivityOf(a.file, a.index) != sysvars::Sensitivity::None;
}

}  // namespace

bool touchesSecrets(const wire::Frame& request) {
    const auto decoded = wire::decodeRequest(request);
    if (!decoded) return false;
    if (const auto* r = std::get_if<wire::ReadRequest>(&*decoded)) return sensitive(r->address);
    if (const auto* w = std::get_if<wire::WriteRequest>(&*decoded)) return sensitive(w->address);
    if (const auto* b = std::get_if<wire::WriteBatchRequest>(&*decoded))
        return std::any_of(b->writes.begin(), b->writes.end(),
                           [](const wire::WriteRequest& w) { return sensitive(w.address); });
    return false;
}

}  // namespace sim
