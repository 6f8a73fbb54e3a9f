#include "platform/comm/SecretGuard.h"

#include <algorithm>

#include "platform/sysvars/Secrets.h"
#include "platform/wire/PortField.h"
#include "platform/wire/PortSettingsPayload.h"
#include "platform/wire/Request.h"

namespace comm {
namespace {

bool secretVariable(const wire::VarAddress& a) {
    return sysvars::sensitivityOf(a.file, a.index) == sysvars::Sensitivity::Secret &&
           !sysvars::isNetworkPassword(a.file, a.index);
}

// Writing an empty text reveals nothing.
bool secretWrite(const wire::WriteRequest& w) {
    return secretVariable(w.address) && !w.value.text.empty();
}

bool secretPortField(const wire::PortFieldValue& f) {
    const auto field = wire::portFieldFromCode(f.first);
    return field && !f.second.empty() &&
           (wire::isPasswordField(*field) || *field == wire::PortField::EmailLoginPass);
}

}  // namespace

bool exposesSecret(const wire::Frame& request) {
    if (request.command == wire::code(wire::PortCommand::ApplyPortSettings)) {
        const auto settings = wire::decodePortSettings(request.payload);
        return settings &&
               std::any_of(settings->fields.begin(), settings->fields.end(), secretPortField);
    }
    const auto decoded = wire::decodeRequest(request);
    if (!decoded) return false;
    if (const auto* r = std::get_if<wire::ReadRequest>(&*decoded))
        return secretVariable(r->address);
    if (const auto* w = std::get_if<wire::WriteRequest>(&*decoded)) return secretWrite(*w);
    if (const auto* b = std::get_if<wire::WriteBatchRequest>(&*decoded))
        return std::any_of(b->writes.begin(), b->writes.end(), secretWrite);
    return false;
}

}  // namespace comm
