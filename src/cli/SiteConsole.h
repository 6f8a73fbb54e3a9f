#pragma once
// A site run on the console: on a terminal one line per running controller, redrawn in place,
// with messages kept above them and a summary table at the end; piped, plain lines with the
// controller (its serial number) first, for scripts and logs, each row's result once. Both end
// with the counts of the results.
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "site/Plan.h"
#include "site/Report.h"
#include "site/SiteRun.h"

namespace cli {

// "12 controllers: 10 succeeded, 2 failed": the counts of a run's results, those with none
// left out.
std::string resultCounts(const site::Report& report);

class SiteConsole {
  public:
    SiteConsole(std::ostream& out, bool terminal, const site::Plan& plan)
        : out_(out), terminal_(terminal), plan_(plan) {}

    void show(const std::vector<site::SiteEvent>& events);
    // A line of the run's own, such as the note that it is stopping.
    void note(const std::string& text);
    void summary(const site::Report& report);

  private:
    struct Running {
        std::string step;
        int percent = -1;
        std::string last;
    };
    void line(const std::string& text);
    void redraw();
    void table(const site::Report& report);

    std::ostream& out_;
    bool terminal_;
    const site::Plan& plan_;
    std::map<size_t, Running> running_;
    size_t drawn_ = 0;  // progress lines on the screen below the messages
    std::vector<std::string> shown_;
};

}  // namespace cli
