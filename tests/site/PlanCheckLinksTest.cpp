// The plan check reaches the links a plan names through the platform's named links: each link
// opened once for all its rows and closed again, the program's own link kept, a link that does
// not open named on each of its rows, and a platform without named links said plainly.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "site/PlanCheck.h"
#include "support/ProgramFixture.h"

namespace {

using ::testing::ElementsAre;

class FakeNamedLinks final : public kvxglib::NamedLinks {
  public:
    int32_t open(const std::string& name, std::string& why) override {
        opened.push_back(name);
        if (name == "serial:/dev/gone") {
            why = "no such device";
            return 0;
        }
        return 40 + static_cast<int32_t>(opened.size());
    }
    void close(int32_t handle) override { closed.push_back(handle); }

    std::vector<std::string> opened;
    std::vector<int32_t> closed;
};

site::PlanRow busRow(int line, const std::string& link, uint8_t ela) {
    site::PlanRow row;
    row.line = line;
    row.link = link;
    row.address = site::StationAddress{10, ela};
    row.model = "KVX300C KVXreal C controller";
    row.revision = "3.1-0-02";
    return row;
}

std::map<int, std::string> byLine(const std::vector<site::PlanProblem>& problems) {
    std::map<int, std::string> lines;
    for (const site::PlanProblem& p : problems) lines[p.line] += p.text;
    return lines;
}

TEST(PlanCheckLinks, EachLinkOpenedOnceThroughThePlatformsNamedLinks) {
    testsupport::ProgramFixture f;
    f.program->formMain.Form_Load();
    f.program->connection.CurrentLink = 3;
    const site::Plan plan{"site.csv",
                          {busRow(2, "serial:/dev/bus", 1), busRow(3, "serial:/dev/gone", 1),
                           busRow(4, "serial:/dev/bus", 2)}};
    FakeNamedLinks links;
    f.platform->namedLinks = &links;

    // The fake's handles reach no controller: nobody answers there.
    EXPECT_EQ(byLine(site::checkPlan(*f.program, plan)),
              (std::map<int, std::string>{
                  {2, "no station answers at 10:1 on serial:/dev/bus"},
                  {3, "the link serial:/dev/gone cannot be opened: no such device"},
                  {4, "no station answers at 10:2 on serial:/dev/bus"}}));
    EXPECT_THAT(links.opened, ElementsAre("serial:/dev/bus", "serial:/dev/gone"));
    EXPECT_THAT(links.closed, ElementsAre(41));
    EXPECT_EQ(f.program->connection.CurrentLink, 3);

    f.platform->namedLinks = nullptr;
    const std::string none = " cannot be opened: links cannot be opened by name here";
    EXPECT_EQ(byLine(site::checkPlan(*f.program, plan)),
              (std::map<int, std::string>{{2, "the link serial:/dev/bus" + none},
                                          {3, "the link serial:/dev/gone" + none},
                                          {4, "the link serial:/dev/bus" + none}}));
}

}  // namespace
