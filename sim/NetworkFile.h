#pragma once
// Reads the network file (sectioned, as the product's files) into a NetworkConfig. Every
// mistake is reported as "FILE:LINE: message"; one mistake makes the whole file unusable.
#include <string>
#include <vector>

#include "sim/NetworkConfig.h"

namespace sim {

struct NetworkFileResult {
    NetworkConfig config;
    std::vector<std::string> errors;  // empty when the file is good
};

NetworkFileResult readNetworkFile(const std::string& path);
// The same for text already in memory; `path` only names it in messages.
NetworkFileResult parseNetworkText(const std::string& text, const std::string& path);

}  // namespace sim
