#pragma once
// What may not travel on a link without the password-protected session: a read of a web or
// e-mail password, a write of a non-empty one (alone or in a batch), and port settings that
// carry a password. The one exception is a write of the network password: a controller without
// one is given its first one in clear (nothing exists yet to prove it with; one that has a
// password refuses that write in clear itself), and it is never read back.
#include "platform/wire/Frame.h"

namespace comm {

bool exposesSecret(const wire::Frame& request);

}  // namespace comm
