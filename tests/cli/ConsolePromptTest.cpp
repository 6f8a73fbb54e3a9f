// Questions put to the user on a terminal: what each typed answer means, and that no answer
// (the end of the input) is the safe one.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "cli/ConsoleUi.h"

namespace {

TEST(ConsolePrompt, TypedAnswers) {
    struct Case {
        const char* typed;  // null: the input ends
        int32_t buttons;
        int32_t answer;
    };
    const Case cases[] = {
        {"ok\n", ui::buttons::OkCancel, ui::answer::Ok},
        {"y\n", ui::buttons::OkCancel, ui::answer::Ok},
        {"cancel\n", ui::buttons::OkCancel, ui::answer::Cancel},
        {"\n", ui::buttons::OkCancel, ui::answer::Cancel},
        {nullptr, ui::buttons::OkCancel, ui::answer::Cancel},
        {"Yes\n", ui::buttons::YesNo, ui::answer::Yes},
        {"ok\n", ui::buttons::YesNo, ui::answer::No},
        {nullptr, ui::buttons::YesNo, ui::answer::No},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed == nullptr ? "(end of input)" : c.typed);
        std::istringstream typed(c.typed == nullptr ? "" : c.typed);
        std::streambuf* saved = std::cin.rdbuf(typed.rdbuf());
        std::cin.clear();
        std::ostringstream err;
        cli::ConsoleMessageBoxes boxes(err);
        boxes.prompt = true;
        const int32_t answer = boxes.ask("Use partition 33?", "Krelvan", c.buttons);
        std::cin.rdbuf(saved);
        std::cin.clear();
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(err.str().rfind("question: Use partition 33? [", 0), 0u) << err.str();
    }
}

}  // namespace
