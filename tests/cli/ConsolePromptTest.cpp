// Questions put to the user on a terminal: what each typed answer means, and that no answer
// (the end of the input) is the safe one.
#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <sstream>
#include <type_traits>

#include "cli/NetworkCommands.h"
#include "operations/LineUi.h"
#include "operations/TerminalInput.h"
#include "platform/components/finder/ControllerFinder.h"

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
        operations::LineMessageBoxes boxes(err);
        boxes.askPerson = operations::askOnTerminal(err);
        const int32_t answer = boxes.ask("Use partition 33?", "Krelvan", c.buttons);
        std::cin.rdbuf(saved);
        std::cin.clear();
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(err.str().rfind("question: Use partition 33? [", 0), 0u) << err.str();
    }
}

}  // namespace

// A typed password goes from the input straight into a wiped buffer, one line at a time.
TEST(ConsolePrompt, PasswordLinesAreReadIntoSecrets) {
    static_assert(std::is_same_v<decltype(operations::readSecretLine(std::cin)),
                                 std::optional<secure::Secret>>);
    static_assert(std::is_same_v<decltype(cli::passwordFromStdin()), secure::Secret>);
    static_assert(std::is_same_v<decltype(std::declval<components::ControllerFinder&>().password()),
                                 const secure::Secret&>,
                  "the finder keeps no plain copy");
    struct Case {
        const char* what;
        std::string input;
        std::optional<std::string> first, second;
    };
    const Case cases[] = {
        {"two lines", "Vault-1\nnext\n", "Vault-1", "next"},
        {"a line from another system", "Vault-1\r\n", "Vault-1", std::nullopt},
        {"no line end", "Vault-1", "Vault-1", std::nullopt},
        {"an empty line", "\nVault-1\n", "", "Vault-1"},
        {"nothing", "", std::nullopt, std::nullopt},
        {"too long for any password", std::string(3000, 'x') + "\nVault-1\n",
         std::string(1024, 'x'), "Vault-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream in(c.input);
        for (const auto& expected : {c.first, c.second}) {
            const auto line = operations::readSecretLine(in);
            ASSERT_EQ(line.has_value(), expected.has_value());
            if (line) {
                EXPECT_EQ(line->text(), *expected);
            }
        }
    }
}
