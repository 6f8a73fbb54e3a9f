#include "settingstool/ToolPassword.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "platform/secure/SecretLine.h"

namespace settingstool {

std::optional<secure::Secret> passwordFromTerminal(const std::string& linkName) {
    if (isatty(STDIN_FILENO) == 0) return std::nullopt;
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return std::nullopt;
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    std::cerr << "Network password of the controller at " << linkName << ": " << std::flush;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) return std::nullopt;
    std::optional<secure::Secret> password = secure::readSecretLine(std::cin);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << '\n';
    return password;
}

}  // namespace settingstool
