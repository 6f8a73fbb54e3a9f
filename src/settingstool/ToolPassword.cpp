#include "settingstool/ToolPassword.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

namespace settingstool {

std::optional<std::string> passwordFromStream(std::istream& in) {
    std::string line;
    if (!std::getline(in, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::optional<std::string> passwordFromTerminal(const std::string& linkName) {
    if (isatty(STDIN_FILENO) == 0) return std::nullopt;
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return std::nullopt;
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    std::cerr << "Network password of the controller at " << linkName << ": " << std::flush;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) return std::nullopt;
    std::optional<std::string> password = passwordFromStream(std::cin);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << '\n';
    return password;
}

}  // namespace settingstool
