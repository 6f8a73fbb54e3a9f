#pragma once
// Asking the user for a line of text through the platform's input box.
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace network {

// Nothing when the user cancels or no input box is available.
inline std::optional<std::string> AskInput(Platform& platform, const std::string& prompt,
                                           const std::string& title = "", bool masked = false) {
    if (platform.input == nullptr) return std::nullopt;
    return platform.input->ask(prompt, title, "", masked);
}

// A password, typed into a masked box, in a wiped buffer; nothing as for AskInput.
inline std::optional<secure::Secret> AskPassword(Platform& platform, const std::string& prompt) {
    if (platform.input == nullptr) return std::nullopt;
    return platform.input->askPassword(prompt, "");
}

inline constexpr const char* kPasswordPrompt =
    "This controller needs a password for TCP/IP communication.\nPlease enter a password.";

}  // namespace network
