#include "cli/ConsoleInput.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

namespace cli {

std::optional<std::string> ConsoleInput::ask(const std::string& prompt, const std::string& title,
                                             const std::string&, bool masked) {
    if (!title.empty()) std::cerr << title << '\n';
    std::cerr << prompt << ' ' << std::flush;
    termios saved{};
    const bool hide = masked && ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hide) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (hide) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    // The typed line's own newline was not echoed, or there was none: end the prompt's line.
    if (hide || !got) std::cerr << '\n';
    if (!got) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace cli
