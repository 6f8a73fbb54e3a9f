#include "LibraryFixture.h"

TEST_F(LibraryTest, MessagesAndQuestionsGoToTheMessageBoxes) {
    lib.ShowMessage("All jobs were NOT completed", 0);
    lib.ShowMessage("All files loaded successfully", 2);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "All jobs were NOT completed");
    EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Error);
    EXPECT_EQ(boxes.shown[1].kind, ui::MessageKind::Information);

    boxes.answers = {ui::answer::No};
    EXPECT_EQ(lib.AskQuestion("Upgrade?", 0, "", ui::buttons::YesNo), ui::answer::No);
    EXPECT_EQ(lib.AskQuestion("Go on?", 0, "", 257), ui::answer::Cancel);
    EXPECT_EQ(boxes.asked, (std::vector<std::string>{"Upgrade?", "Go on?"}));
}

TEST_F(LibraryTest, StartUpRecordsTheProgram) {
    int32_t a = 5, b = 5;
    EXPECT_EQ(lib.StartUp("Krelvan", 0, a, 0, b), -1);
    EXPECT_EQ(lib.programName(), "Krelvan");
}

TEST_F(LibraryTest, ControllerTrafficFailsAtOnceUntilTheLinkExists) {
    kvxglib::VarRef ref;
    kvxglib::Variant value;
    int32_t status = 0;
    EXPECT_EQ(lib.ReadVariable(0, &ref, &value, 1, 0, 0, &status, u"") & 0xFFFF, 0);
    const kvxglib::RequestHandle request = lib.CreateRequest(168);
    EXPECT_EQ(lib.StartExchange(request), 0);
    lib.ReleaseRequest(request, 168);
}
