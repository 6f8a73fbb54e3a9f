// The module search dialog on a fake bus behind mocked library calls: the probe order, the
// rows it lists, stopping with Stop or Escape between probes, and what stays after a stop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <utility>

#include "ProgramOnMocks.h"
#include "link/FormSearchModules.h"
#include "link/OpenModuleSearch.h"
#include "platform/wire/ReplyCode.h"
#include "program/LoadState.h"
#include "support/ScriptedForms.h"

namespace {

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;
using Address = std::pair<int, int>;  // PLA, ELA

constexpr int Escape = 27;

// A station: where it answers polls, the address it reports, its module type (none: the
// type cannot be read).
struct Station {
    std::set<Address> answersAt;
    Address own;
    std::optional<int16_t> type;
};

// The link as the dialog sees it through the library: every poll is recorded; a station
// answers at its addresses; addresses in `clashes` fail with AddressClash.
class FakeBus {
  public:
    std::vector<Station> stations;
    std::set<Address> clashes;
    std::vector<Address> polled;

    void install(testsupport::MockGlib& glib) {
        ON_CALL(glib, CreateRequest).WillByDefault(Return(4711));
        ON_CALL(glib, BindRequest).WillByDefault(Return(-1));
        ON_CALL(glib, SubmitRequest)
            .WillByDefault(Invoke([this](auto, const uint8_t* bytes, auto, auto, auto, auto&) {
                pending_ = {bytes[0], bytes[1]};
                polled.push_back(pending_);
                return -1;
            }));
        ON_CALL(glib, StartExchange).WillByDefault(Return(-1));
        ON_CALL(glib, ExchangeComplete).WillByDefault(Return(-1));
        ON_CALL(glib, FetchReply)
            .WillByDefault(Invoke(
                [this](auto, uint8_t* reply, int16_t* length, int16_t* code1, int16_t* code2) {
                    *code2 = 0;
                    *length = 0;
                    if (clashes.count(pending_)) {
                        *code1 = wire::code(wire::ReplyCode::AddressClash);
                        return 0;
                    }
                    const Station* s = at(pending_);
                    if (s == nullptr) {
                        *code1 = static_cast<int16_t>(wire::code(wire::ReplyCode::TimedOut));
                        return 0;
                    }
                    reply[0] = static_cast<uint8_t>(s->own.first);
                    reply[1] = static_cast<uint8_t>(s->own.second);
                    *length = 2;
                    *code1 = 0;
                    return -1;
                }));
        ON_CALL(glib, ReadVariable)
            .WillByDefault(Invoke([this](int32_t, kvxglib::VarRef* ref, kvxglib::Variant* value,
                                         int32_t, int32_t, int32_t, int32_t*, const char16_t*) {
                const Station* s = at({ref->pla, ref->ela});
                if (s == nullptr || ref->file != 241) return 0;
                int16_t v = 0;
                if (ref->index == 0)
                    v = static_cast<int16_t>(s->own.first);
                else if (ref->index == 1)
                    v = static_cast<int16_t>(s->own.second);
                else if (ref->index == 36 && s->type)
                    v = *s->type;
                else
                    return 0;
                *static_cast<int16_t*>(value->data) = v;
                return -1;
            }));
    }

  private:
    const Station* at(Address a) const {
        for (const Station& s : stations)
            if (s.answersAt.count(a) || s.own == a) return &s;
        return nullptr;
    }
    Address pending_;
};

using Row = std::vector<std::string>;

class ModuleSearch : public linktest::ProgramOnMocks {
  protected:
    ModuleSearch() {
        for (int n : {633, 634, 640, 641, 642, 643, 645, 646, 647})
            texts_[n] = "text " + std::to_string(n);
        texts_[644] = "at @PLA:@ELA";
        ON_CALL(glib, GetText(_, _, 0, _))
            .WillByDefault(
                Invoke([this](auto&, int32_t n, auto, auto&) { return texts_[n].c_str(); }));
        ON_CALL(glib, ModelName(_)).WillByDefault(Invoke([this](const std::string& code) {
            typeName_ = "Type " + code;
            return typeName_.c_str();
        }));
        bus.install(glib);
        form.Form_Load();
        // The search as the dialog first ran it: the whole scan only when no local address
        // answers.
        form.CheckSearchAll.value = false;
    }

    std::vector<Row> rows() const {
        std::vector<Row> out;
        for (const auto& item : form.ParamList.items) {
            Row r{item.text};
            r.insert(r.end(), item.subItems.begin(), item.subItems.end());
            out.push_back(r);
        }
        return out;
    }

    FakeBus bus;
    testsupport::ScriptedForms host;
    clink::FormSearchModules form{program, host};

  private:
    std::map<int, std::string> texts_;
    std::string typeName_;
};

constexpr std::size_t kFullScan = 4 + 255 * 254;

TEST_F(ModuleSearch, ProbesInOrderAndListsWhatAnswers) {
    const Row clashRow = {"7", "3", clink::ClashTypeText, clink::ClashInformation};
    const struct {
        const char* what;
        std::vector<Station> stations;
        std::set<Address> clashes;
        std::size_t probes;
        std::vector<Row> rows;
        std::string result;
    } cases[] = {
        {"a controller at 254:30 ends the search at once",
         {{{{254, 30}}, {254, 30}, 300}},
         {},
         1,
         {{"254", "30", "Type 300", "-"}},
         "text 645 1 module found."},
        {"one answering only at 255:31 is listed under its own address",
         {{{{255, 31}}, {12, 7}, 41}},
         {},
         3,
         {{"12", "7", "Type 41", "-"}},
         "text 645 1 module found."},
        {"a poll answered without a readable type gives no row",
         {{{{3, 1}}, {3, 1}, std::nullopt}},
         {},
         kFullScan,
         {},
         "text 645 No module found."},
        {"the scan lists every controller on the bus",
         {{{}, {3, 1}, 5}, {{}, {254, 255}, 6}},
         {},
         kFullScan,
         {{"3", "1", "Type 5", "-"}, {"254", "255", "Type 6", "-"}},
         "text 645 2 modules found."},
        {"two stations at one address are named and the scan goes on",
         {{{}, {9, 9}, 5}},
         {{7, 3}},
         kFullScan,
         {clashRow, {"9", "9", "Type 5", "-"}},
         "text 645 1 module found. At 1 address two or more modules answer."},
        {"nothing on the link", {}, {}, kFullScan, {}, "text 645 No module found."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bus.stations = c.stations;
        bus.clashes = c.clashes;
        bus.polled.clear();
        form.ActionButton_Click();
        EXPECT_EQ(bus.polled.size(), c.probes);
        EXPECT_EQ(rows(), c.rows);
        EXPECT_EQ(form.ParamListLabel.caption, c.result);
        EXPECT_TRUE(form.CloseButton.enabled);
        EXPECT_EQ(form.ActionButton.caption, "text 641");
    }
}

TEST_F(ModuleSearch, ScansElaMajorPlaMinorAfterTheFourLocalAddresses) {
    form.ActionButton_Click();
    const auto& p = bus.polled;
    ASSERT_EQ(p.size(), kFullScan);
    const std::vector<Address> first(p.begin(), p.begin() + 7);
    EXPECT_EQ(first, (std::vector<Address>{
                         {254, 30}, {254, 254}, {255, 31}, {255, 30}, {1, 1}, {2, 1}, {3, 1}}));
    EXPECT_EQ(p[4 + 253], (Address{254, 1}));
    EXPECT_EQ(p[4 + 254], (Address{1, 2}));
    const std::vector<Address> last(p.end() - 2, p.end());
    EXPECT_EQ(last, (std::vector<Address>{{253, 255}, {254, 255}}));
    // Events are let through before the scan and after every probe of it.
    EXPECT_EQ(screen.eventRounds, static_cast<int>(kFullScan));
}

TEST_F(ModuleSearch, AWholeScanGoesOnPastTheBusHeadAndListsEachModuleOnce) {
    bus.stations = {{{{255, 30}}, {10, 1}, 300}, {{}, {10, 2}, 200}};
    bus.clashes = {{10, 9}};
    form.CheckSearchAll.value = true;
    form.ActionButton_Click();
    EXPECT_EQ(bus.polled.size(), kFullScan);
    EXPECT_EQ(rows(),
              (std::vector<Row>{{"10", "1", "Type 300", "-"},
                                {"10", "2", "Type 200", "-"},
                                {"10", "9", clink::ClashTypeText, clink::ClashInformation}}));
}

// "Search all addresses" opens as the settings keep it (on when they say nothing), cannot be
// changed while a search runs, and a change by the user goes into the settings.
TEST_F(ModuleSearch, SearchAllAddressesFollowsTheSettings) {
    const struct {
        const char* stored;  // what the settings give, their default "1" when they say nothing
        bool checked;
    } cases[] = {{"1", true}, {"0", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_CALL(glib, ReadSetting(_, "Kvxmatic", "SearchAllAddresses", "1"))
            .WillOnce(Return(c.stored));
        clink::FormSearchModules opened(program, host);
        opened.Form_Load();
        EXPECT_EQ(opened.CheckSearchAll.value, c.checked);
        EXPECT_EQ(opened.CheckSearchAll.caption, "Search all addresses");
    }
    EXPECT_CALL(glib, WriteSettingText("Kvxmatic.Ini", "Kvxmatic", "SearchAllAddresses", "1", _));
    form.CheckSearchAll.value = true;
    form.CheckSearchAll_Click();
    screen.onEvents = [&] { EXPECT_FALSE(form.CheckSearchAll.enabled); };
    form.ActionButton_Click();
    screen.onEvents = nullptr;
    EXPECT_TRUE(form.CheckSearchAll.enabled);
}

TEST_F(ModuleSearch, StopAndEscapeEndTheScanAfterTheProbeAndKeepWhatWasFound) {
    bus.stations = {{{}, {2, 1}, 7}};
    const struct {
        const char* what;
        std::function<void()> press;
    } stops[] = {
        {"Stop", [this] { form.ActionButton_Click(); }},
        {"Escape", [this] { form.Form_KeyPress(Escape); }},
    };
    for (const auto& s : stops) {
        SCOPED_TRACE(s.what);
        bus.polled.clear();
        bool refusedClose = false;
        screen.eventRounds = 0;
        screen.onEvents = [&] {
            EXPECT_EQ(form.ActionButton.caption, "text 642");
            EXPECT_FALSE(form.CloseButton.enabled);
            if (screen.eventRounds == 50) {
                refusedClose = !form.Form_QueryUnload();
                s.press();
            }
        };
        form.ActionButton_Click();
        screen.onEvents = nullptr;
        EXPECT_TRUE(refusedClose);
        EXPECT_EQ(bus.polled.size(), 50u);  // the probe before the 50th event round ended it
        EXPECT_EQ(rows(), (std::vector<Row>{{"2", "1", "Type 7", "-"}}));
        EXPECT_EQ(form.ParamListLabel.caption, "text 645 1 module found.");
        EXPECT_TRUE(form.Visible);
        EXPECT_TRUE(host.hidden.empty());
        EXPECT_TRUE(form.CloseButton.enabled);
    }
}

TEST_F(ModuleSearch, EscapeWhenIdleAndTheCloseBoxCloseTheDialog) {
    form.Form_KeyPress('a');
    EXPECT_TRUE(host.hidden.empty());
    form.Form_KeyPress(Escape);
    EXPECT_EQ(host.hidden, (std::vector<std::string>{"FormSearchModules"}));
    EXPECT_FALSE(form.Visible);
    form.Visible = true;
    EXPECT_TRUE(form.Form_QueryUnload());
    EXPECT_EQ(host.hidden.size(), 2u);
}

TEST_F(ModuleSearch, OpensWithItsTextsAndFourColumns) {
    EXPECT_EQ(form.Caption, "text 640");
    EXPECT_EQ(form.ActionButton.caption, "text 641");
    EXPECT_EQ(form.CloseButton.caption, "text 643");
    EXPECT_EQ(form.ParamListLabel.caption, "");
    form.ParamListWidthTwips = 6000;
    EXPECT_TRUE(form.ShowDlg());
    std::vector<std::pair<std::string, int>> columns;
    for (const auto& c : form.ParamList.columns) columns.emplace_back(c.header, c.widthTwips);
    EXPECT_EQ(columns,
              (std::vector<std::pair<std::string, int>>{
                  {"text 633", 1000}, {"text 634", 1000}, {"text 646", 1200}, {"text 647", 1200}}));
    EXPECT_EQ(host.shown, (std::vector<std::string>{"modal FormSearchModules"}));
}

TEST_F(ModuleSearch, OpenModuleSearchShowsTheDialogOverTheProgramsHost) {
    bus.stations = {{{{254, 30}}, {254, 30}, 300}};
    std::vector<Row> seen;
    testsupport::ScriptedForms forms;
    forms.onShow["FormSearchModules"] = [&](ui::Form& shown) {
        auto& dialog = dynamic_cast<clink::FormSearchModules&>(shown);
        dialog.ActionButton_Click();
        for (const auto& item : dialog.ParamList.items)
            seen.push_back({item.text, item.subItems[0]});
        dialog.CloseButton_Click();
    };
    program.load.forms = &forms;
    clink::OpenModuleSearch(program);
    EXPECT_EQ(forms.shown, (std::vector<std::string>{"modal FormSearchModules"}));
    EXPECT_EQ(forms.hidden, (std::vector<std::string>{"FormSearchModules"}));
    EXPECT_EQ(seen, (std::vector<Row>{{"254", "30"}}));
}

}  // namespace
