#include "operations/LineUi.h"

#include <ostream>

namespace operations {

std::string oneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return line;
}

void LineMessageBoxes::showMessage(const std::string& text, ui::MessageKind kind) {
    out_ << (kind == ui::MessageKind::Error ? "error: " : "info: ") << oneLine(text) << '\n';
}

int32_t LineMessageBoxes::ask(const std::string& text, const std::string&, int32_t buttons) {
    const int32_t set = buttons & 0xF;
    const bool yesNo = set == ui::buttons::YesNo;
    int32_t answer = ui::defaultAnswer(buttons);
    if (answerYes && yesNo) answer = *answerYes ? ui::answer::Yes : ui::answer::No;
    if (answerYes && set == ui::buttons::OkCancel)
        answer = *answerYes ? ui::answer::Ok : ui::answer::Cancel;
    if (!answerYes && askPerson && (yesNo || set == ui::buttons::OkCancel)) {
        const bool accepted = askPerson(text, yesNo);
        return yesNo ? (accepted ? ui::answer::Yes : ui::answer::No)
                     : (accepted ? ui::answer::Ok : ui::answer::Cancel);
    }
    out_ << "question: " << oneLine(text) << " -> "
         << (answer == ui::answer::Ok    ? "OK"
             : answer == ui::answer::Yes ? "Yes"
             : answer == ui::answer::No  ? "No"
                                         : "Cancel")
         << '\n';
    return answer;
}

}  // namespace operations
