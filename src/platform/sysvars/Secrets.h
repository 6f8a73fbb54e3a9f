#pragma once
// The variables around a controller's secrets. A secret holds a password: the network
// password, the web login passwords, the e-mail login password. A guard switches the
// protection: whether encryption is required, and the commit that takes these settings.
#include <cstdint>

namespace sysvars {

enum class Sensitivity : uint8_t { None, Guard, Secret };

Sensitivity sensitivityOf(uint16_t file, int32_t index);
// The one secret a controller that has no password yet may be given over a plain link.
bool isNetworkPassword(uint16_t file, int32_t index);

}  // namespace sysvars
