// The progress dialog on its own: its texts by load function, the percentage, Cancel.
#include <gmock/gmock.h>

#include <cmath>

#include "LoadFixture.h"
#include "load/FormLoadApplication.h"
#include "load/ProgressText.h"

namespace loadtest {
namespace {

using ::testing::ElementsAre;

TEST(ProgressTextTest, PercentToOneDecimalClamped) {
    const struct {
        double share;
        const char* text;
        double bar;
    } cases[] = {{0, "0", 0},           {0.4567, "45.7", 0.4567}, {0.5, "50", 0.5},
                 {1, "100", 1},         {0.1234, "12.3", 0.1234}, {0.9999, "100", 0.9999},
                 {1.7, "100", 1},       {-0.2, "0", 0},           {std::nan(""), "0", 0},
                 {INFINITY, "100", 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(load::PercentText(c.share, '.'), c.text) << c.share;
        EXPECT_DOUBLE_EQ(load::ClampedProgress(c.share), c.bar) << c.share;
    }
    EXPECT_EQ(load::PercentText(0.4567, ','), "45,7");
}

class FormLoadApplicationTest : public LoadFixture {
  public:
    load::FormLoadApplication dialog{program()};
};

TEST_F(FormLoadApplicationTest, TextsFollowTheLoadFunction) {
    const struct {
        const char* function;
        const char* caption;
    } cases[] = {{"LoadProg", "Loading application program"},
                 {"LoadWebSite", "Loading web site"},
                 {"UpgradeKVXrealC", "Upgrading operating system"},
                 {"Other", "Loading application program"}};
    for (const auto& c : cases) {
        dialog.OpenLoadApp(c.function);
        EXPECT_EQ(dialog.Caption, c.caption) << c.function;
        EXPECT_EQ(dialog.OKButton.caption, "OK");
        EXPECT_EQ(dialog.CancelButton.caption, "Cancel");
        dialog.CloseLoadApp();
        EXPECT_FALSE(dialog.Result);
    }
    EXPECT_EQ(forms.shown.size(), 4u);
    EXPECT_EQ(forms.hidden.size(), 4u);
}

TEST_F(FormLoadApplicationTest, ProgressPumpsEventsThenShowsTheShare) {
    std::string shownAtPump;
    fixture.screen.onEvents = [&] { shownAtPump = dialog.NumValue.text; };
    dialog.QAVSProgress(0.25);
    dialog.QAVSProgress(1);
    EXPECT_EQ(shownAtPump, "25");  // the events ran before the new value was set
    EXPECT_EQ(dialog.NumValue.text, "100");
    EXPECT_DOUBLE_EQ(dialog.ProgressBar1.value, 1.0);
    EXPECT_EQ(fixture.screen.eventRounds, 2);
}

// OK hides the dialog, not the load: the main window's bar and status line go on showing it.
TEST_F(FormLoadApplicationTest, AfterOkTheMainWindowShowsTheLoad) {
    form().CtrlStatusLine.caption = "Loading the Controller";
    dialog.OpenLoadApp("LoadProg");
    dialog.QAVSProgress(0.25);
    EXPECT_DOUBLE_EQ(form().ProgressBar1.value, 0.25);
    EXPECT_EQ(form().CtrlStatusLine.caption, "Loading the Controller");
    dialog.OKButton_Click();
    dialog.QAVSProgress(0.5);
    EXPECT_DOUBLE_EQ(form().ProgressBar1.value, 0.5);
    EXPECT_EQ(form().CtrlStatusLine.caption, "Loading application program: 50 %");
    dialog.CloseLoadApp();
    EXPECT_DOUBLE_EQ(form().ProgressBar1.value, 0);
}

// The image's bytes show with the percentage they belong to, in the dialog and, once OK hid it,
// in the main window's status line; a new load starts without the last one's.
TEST_F(FormLoadApplicationTest, TheImagesBytesShowWithTheirPercentage) {
    dialog.OpenLoadApp("LoadProg");
    std::string bytesAtPump = "unseen";
    fixture.screen.onEvents = [&] { bytesAtPump = dialog.BytesLabel.caption; };
    dialog.QAVSProgressBytes(188416, 412160);
    dialog.QAVSProgress(0.457);
    EXPECT_EQ(bytesAtPump, "");  // the events saw the percentage before, and its bytes
    EXPECT_EQ(dialog.BytesLabel.caption, "188,416 of 412,160 bytes");
    dialog.OKButton_Click();
    dialog.QAVSProgressBytes(412160, 412160);
    dialog.QAVSProgress(1);
    EXPECT_EQ(form().CtrlStatusLine.caption,
              "Loading application program: 100 % (412,160 of 412,160 bytes)");
    dialog.CloseLoadApp();
    dialog.OpenLoadApp("LoadProg");
    EXPECT_EQ(dialog.BytesLabel.caption, "");
    dialog.CloseLoadApp();
}

TEST_F(FormLoadApplicationTest, CancelWithoutALoaderOnlyHides) {
    dialog.OpenLoadApp("LoadProg");
    program().load.LoadCancelled = false;
    dialog.Form_KeyPress(27);
    EXPECT_FALSE(program().load.LoadCancelled);
    EXPECT_THAT(forms.hidden, ElementsAre("FormLoadApplication"));
    dialog.Form_KeyPress('a');
    EXPECT_EQ(forms.hidden.size(), 1u);
}

TEST_F(FormLoadApplicationTest, EachErrorIsOneBoxThatWaits) {
    dialog.QAVSErrorMessage("Image damaged");
    dialog.QAVSErrorMessage("Flash full");
    EXPECT_THAT(fixture.boxes.asked, ElementsAre("Image damaged", "Flash full"));
}

}  // namespace
}  // namespace loadtest
