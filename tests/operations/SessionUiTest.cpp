// What a session without a window does with the program's messages and questions, and how
// it tells a link text the user got wrong from a link that does not open.
#include <gtest/gtest.h>

#include <sstream>

#include "operations/LineUi.h"
#include "operations/Links.h"
#include "operations/Session.h"
#include "support/TempFolder.h"

namespace {

TEST(SessionUi, QuestionsTakeTheSetAnswerThenThePersonThenTheDefault) {
    struct Case {
        const char* what;
        std::optional<bool> answerYes;
        std::optional<bool> person;  // nobody to ask when empty
        int32_t buttons;
        int32_t answer;
        bool personAsked;
    };
    const Case cases[] = {
        {"yes set, OK/Cancel", true, false, ui::buttons::OkCancel, ui::answer::Ok, false},
        {"no set, Yes/No", false, true, ui::buttons::YesNo, ui::answer::No, false},
        {"person accepts", std::nullopt, true, ui::buttons::YesNo, ui::answer::Yes, true},
        {"person refuses", std::nullopt, false, ui::buttons::OkCancel, ui::answer::Cancel, true},
        {"nobody: the default", std::nullopt, std::nullopt,
         ui::buttons::YesNo | ui::buttons::SecondDefault, ui::answer::No, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ostringstream said;
        operations::LineMessageBoxes boxes(said);
        boxes.answerYes = c.answerYes;
        bool asked = false;
        if (c.person)
            boxes.askPerson = [&](const std::string&, bool) {
                asked = true;
                return *c.person;
            };
        EXPECT_EQ(boxes.ask("Upgrade the\noperating system?", "Krelvan", c.buttons), c.answer);
        EXPECT_EQ(asked, c.personAsked);
        // Whatever answered without a person is told, on one line.
        if (!c.personAsked) {
            EXPECT_EQ(said.str().rfind("question: Upgrade the operating system? -> ", 0), 0u)
                << said.str();
        }
    }
    std::ostringstream said;
    operations::LineMessageBoxes boxes(said);
    boxes.showMessage("two\nlines", ui::MessageKind::Error);
    boxes.showMessage("fine", ui::MessageKind::Information);
    EXPECT_EQ(said.str(), "error: two lines\ninfo: fine\n");
}

TEST(SessionLinks, AMalformedTextIsTheUsersMistakeALinkThatDoesNotOpenIsNot) {
    testsupport::TempFolder temp;
    std::ostringstream said;
    operations::Session session(temp / "machine", said);
    EXPECT_NE(said.str().find("does not exist"), std::string::npos) << said.str();
    struct Case {
        std::string text;
        bool malformed;
        std::string why;
    };
    const Case cases[] = {
        {"tcp:controller", true, "link \"tcp:controller\" is not tcp:HOST:PORT"},
        {"tcp::502", true, "link \"tcp::502\" is not tcp:HOST:PORT"},
        {"tcp:127.0.0.1:70000", true, "link \"tcp:127.0.0.1:70000\" is not tcp:HOST:PORT"},
        {"serial:", true, "serial: needs a device path"},
        {"udp:127.0.0.1:5", true,
         "link \"udp:127.0.0.1:5\" is neither tcp:HOST:PORT, serial:PATH nor serial"},
        {"tcp:127.0.0.1:1", false, "cannot open tcp:127.0.0.1:1: "},
        {"serial:" + (temp / "no-such-port"), false,
         "cannot open serial:" + (temp / "no-such-port")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        operations::LinkProblem problem;
        EXPECT_FALSE(operations::openLink(session.library(), c.text, 0, problem));
        EXPECT_EQ(problem.malformed, c.malformed);
        EXPECT_EQ(problem.why.rfind(c.why, 0), 0u) << problem.why;
    }
}

}  // namespace
