#include "FileDecoders.h"
#include "LineMistakes.h"
#include "sim/NetworkFile.h"

namespace filefuzz {

bool exerciseNetworkFile(std::span<const uint8_t> bytes, std::string& failure) {
    const std::string text(bytes.begin(), bytes.end());
    const sim::NetworkFileResult result = sim::parseNetworkText(text, "network.ini");
    failure = misplacedMistake(result.errors, "network.ini", text);
    if (!failure.empty()) failure = "a mistake that does not say where: " + failure;
    return failure.empty();
}

}  // namespace filefuzz
