#include "cli/ConsoleInput.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <string_view>

namespace cli {

std::optional<secure::Secret> ConsoleInput::readLine(const std::string& prompt,
                                                     const std::string& title, bool masked) {
    if (!title.empty()) std::cerr << title << '\n';
    std::cerr << prompt << ' ' << std::flush;
    termios saved{};
    const bool hide = masked && ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hide) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    const std::optional<secure::Secret> line = readSecretLine(std::cin);
    if (hide) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    // The typed line's own newline was not echoed, or there was none: end the prompt's line.
    if (hide || !line) std::cerr << '\n';
    return line;
}

std::optional<std::string> ConsoleInput::ask(const std::string& prompt, const std::string& title,
                                             const std::string&, bool masked) {
    const auto line = readLine(prompt, title, masked);
    if (!line) return std::nullopt;
    return std::string(line->text());
}

std::optional<secure::Secret> ConsoleInput::askPassword(const std::string& prompt,
                                                        const std::string& title) {
    return readLine(prompt, title, true);
}

}  // namespace cli
