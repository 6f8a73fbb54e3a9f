#include "operations/TerminalInput.h"

#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <iostream>
#include <string_view>

#include "operations/LineUi.h"

namespace operations {

std::optional<secure::Secret> TerminalInput::readLine(const std::string& prompt,
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

std::optional<std::string> TerminalInput::ask(const std::string& prompt, const std::string& title,
                                              const std::string&, bool masked) {
    const auto line = readLine(prompt, title, masked);
    if (!line) return std::nullopt;
    return std::string(line->text());
}

std::optional<secure::Secret> TerminalInput::askPassword(const std::string& prompt,
                                                         const std::string& title) {
    return readLine(prompt, title, true);
}

std::function<bool(const std::string&, bool)> askOnTerminal(std::ostream& err) {
    return [&err](const std::string& text, bool yesNo) {
        err << "question: " << oneLine(text) << (yesNo ? " [y/N] " : " [OK/cancel] ") << std::flush;
        std::string line;
        const bool read = static_cast<bool>(std::getline(std::cin, line));
        if (!read) err << '\n';  // no answer came: end the prompt's line
        const char first =
            line.empty() ? '\0'
                         : static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        return read && (first == 'y' || (!yesNo && first == 'o'));
    };
}

}  // namespace operations
