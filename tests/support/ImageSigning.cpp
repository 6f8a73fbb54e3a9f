#include "support/ImageSigning.h"

#include <filesystem>
#include <fstream>

namespace testsupport {

const image::KeyPair& testKeys() {
    static const image::KeyPair keys = image::newKeyPair();
    return keys;
}

image::KeyReading testKey() { return {testKeys().publicKey, {}}; }

image::Image signedByTest(image::Image image) {
    image::signImage(image, testKeys().secretKey);
    return image;
}

void writeTestKeyFile(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::trunc) << image::keyText(testKeys().publicKey) << "\n";
}

void installTestKey(const std::string& productFolder) {
    writeTestKeyFile(productFolder + "/System/ImageKey.pub");
}

}  // namespace testsupport
