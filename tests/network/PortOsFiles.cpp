#include "network/PortOsFiles.h"

#include <filesystem>
#include <fstream>

#include "support/ImageSigning.h"

namespace networktest {

image::Image portOsImage(uint16_t portType, const std::string& revision, std::size_t size) {
    image::Image i;
    i.kind = image::Kind::PortOs;
    i.model = portType;
    i.name = "TCP/IP Port OS " + revision;
    i.versionText = revision;
    for (std::size_t n = 0; n < size; ++n) i.payload.push_back(static_cast<uint8_t>(n * 7 + 3));
    return i;
}

std::string portOsBytes(const image::Image& image) {
    const auto bytes = image::serializeImage(testsupport::signedByTest(image));
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

std::string writePortOsFile(const std::string& slib, uint16_t portType, const std::string& bytes) {
    const std::string folder = slib + "/KVXreal";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/" + std::to_string(portType) + ".TcpIpPortOS";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

}  // namespace networktest
