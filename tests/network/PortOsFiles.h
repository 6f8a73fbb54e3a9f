#pragma once
// TCP/IP Port OS upgrade files for the tests, written where the program looks for them.
#include <cstdint>
#include <string>

#include "platform/image/ImageFile.h"

namespace networktest {

image::Image portOsImage(uint16_t portType, const std::string& revision, std::size_t size = 3000);
// Writes `bytes` as `<slib>/KVXreal/<portType>.TcpIpPortOS`; returns the file's path.
std::string writePortOsFile(const std::string& slib, uint16_t portType, const std::string& bytes);
// The file of `image`, signed with the tests' key.
std::string portOsBytes(const image::Image& image);

}  // namespace networktest
