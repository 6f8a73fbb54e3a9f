#include "support/FakeUi.h"

namespace testsupport {

int32_t ScriptedMessageBoxes::ask(const std::string& text, const std::string&, int32_t buttons) {
    asked.push_back(text);
    if (answers.empty()) return ui::defaultAnswer(buttons);
    const int32_t answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace testsupport
