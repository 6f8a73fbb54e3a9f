#include "cli/ConsoleUi.h"

#include <cctype>
#include <iostream>
#include <string>

namespace cli {
namespace {

// One message, one line: line breaks inside a message would break the line-per-message rule.
std::string oneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return line;
}

}  // namespace

void ConsoleMessageBoxes::showMessage(const std::string& text, ui::MessageKind kind) {
    err_ << (kind == ui::MessageKind::Error ? "error: " : "info: ") << oneLine(text) << '\n';
}

int32_t ConsoleMessageBoxes::ask(const std::string& text, const std::string&, int32_t buttons) {
    const int32_t set = buttons & 0xF;
    int32_t answer = ui::defaultAnswer(buttons);
    if (answerYes && set == ui::buttons::YesNo) answer = *answerYes ? ui::answer::Yes : ui::answer::No;
    if (answerYes && set == ui::buttons::OkCancel) answer = *answerYes ? ui::answer::Ok : ui::answer::Cancel;
    if (!answerYes && prompt && (set == ui::buttons::YesNo || set == ui::buttons::OkCancel)) {
        const bool yesNo = set == ui::buttons::YesNo;
        err_ << "question: " << oneLine(text) << (yesNo ? " [y/N] " : " [OK/cancel] ")
             << std::flush;
        std::string line;
        const bool read = static_cast<bool>(std::getline(std::cin, line));
        if (!read) err_ << '\n';  // no answer came: end the prompt's line
        // "y" for Yes; "ok" (or "y") for OK; anything else is the safe answer.
        const char first =
            line.empty() ? '\0'
                         : static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        const bool accepted = read && (first == 'y' || (!yesNo && first == 'o'));
        return yesNo ? (accepted ? ui::answer::Yes : ui::answer::No)
                     : (accepted ? ui::answer::Ok : ui::answer::Cancel);
    }
    err_ << "question: " << oneLine(text) << " -> "
         << (answer == ui::answer::Ok    ? "OK"
             : answer == ui::answer::Yes ? "Yes"
             : answer == ui::answer::No  ? "No"
                                         : "Cancel")
         << '\n';
    return answer;
}

}  // namespace cli
