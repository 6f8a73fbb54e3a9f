// #2244: the library's verdict on a password's characters, as the program's dialogs ask it.
#include "LibraryFixture.h"

TEST_F(LibraryTest, PasswordCharactersAreAllAllowedOrNot) {
    const std::pair<std::u16string, int32_t> rows[] = {
        {u"", -1},        {u"Pump-7!", -1},  {u"a b", 0},
        {u"\"x\"", 0},    {u"back\\", 0},    {u"K\u00fchler", 0},
        {u"\u20ac10", 0}, {u"~{}|", -1},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(lib.PasswordCharactersAllowed(text), expected)
            << std::string(text.begin(), text.end());
}
