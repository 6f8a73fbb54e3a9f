#include "cli/SiteConsole.h"

#include <algorithm>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace cli {
namespace {

constexpr int kPercentStep = 10;  // piped: a progress line per tenth

std::string padded(const std::string& text, size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

}  // namespace

void SiteConsole::line(const std::string& text) {
    if (terminal_ && drawn_ > 0) out_ << "\x1b[" << drawn_ << "F\x1b[J";
    drawn_ = 0;
    out_ << text << '\n';
}

void SiteConsole::note(const std::string& text) {
    line(text);
    if (terminal_) redraw();
    out_ << std::flush;
}

void SiteConsole::show(const std::vector<site::SiteEvent>& events) {
    for (const site::SiteEvent& event : events) {
        const std::string who = site::rowController(plan_.rows[event.row]);
        if (event.step == "done") {
            running_.erase(event.row);
            line(who + "\t" + event.message);
            continue;
        }
        Running& row = running_[event.row];
        const bool newStep = row.step != event.step;
        if (newStep) {
            row.step = event.step;
            row.percent = -1;
        }
        if (!event.message.empty()) {
            row.last = event.message;
            line(who + "\t" + event.step + "\t" + event.message);
        } else if (event.percent >= 0) {
            const int percent = static_cast<int>(event.percent);
            const bool step = percent / kPercentStep != row.percent / kPercentStep;
            if (!terminal_ && (step || newStep))
                line(who + "\t" + event.step + "\t" + std::to_string(percent) + " %");
            row.percent = percent;
        } else if (!terminal_ && newStep) {
            line(who + "\t" + event.step);
        }
    }
    if (terminal_) redraw();
    out_ << std::flush;
}

void SiteConsole::redraw() {
    std::vector<std::string> lines;
    for (const auto& [index, row] : running_) {
        std::string text = padded(site::rowController(plan_.rows[index]), 16) + " " +
                           padded(row.step, 15) +
                           (row.percent >= 0 ? padded(std::to_string(row.percent) + " %", 6)
                                             : std::string(6, ' '));
        // One screen line each, so that the redraw knows how far up to go.
        text += " " + row.last.substr(0, std::min<size_t>(row.last.size(), 60));
        lines.push_back(text.substr(0, 118));
    }
    // Unchanged lines are not drawn again.
    if (drawn_ == lines.size() && lines == shown_) return;
    if (drawn_ > 0) out_ << "\x1b[" << drawn_ << "F\x1b[J";
    for (const std::string& text : lines) out_ << text << '\n';
    drawn_ = lines.size();
    shown_ = std::move(lines);
}

std::string resultCounts(const site::Report& report) {
    constexpr site::RowResult kOrder[] = {site::RowResult::Succeeded, site::RowResult::Failed,
                                          site::RowResult::Cancelled, site::RowResult::NotStarted};
    const size_t rows = report.rows.size();
    std::string text = std::to_string(rows) + (rows == 1 ? " controller:" : " controllers:");
    bool first = true;
    for (const site::RowResult result : kOrder) {
        const auto count =
            std::count_if(report.rows.begin(), report.rows.end(),
                          [result](const site::ControllerReport& r) { return r.result == result; });
        if (count == 0) continue;
        text += (first ? " " : ", ") + std::to_string(count) + " " + site::resultText(result);
        first = false;
    }
    return text;
}

void SiteConsole::summary(const site::Report& report) {
    if (terminal_ && drawn_ > 0) out_ << "\x1b[" << drawn_ << "F\x1b[J";
    drawn_ = 0;
    // Piped, each row's result line was printed as it ended: only the counts follow.
    if (terminal_) table(report);
    out_ << resultCounts(report) << '\n';
}

void SiteConsole::table(const site::Report& report) {
    std::vector<std::vector<std::string>> cells = {
        {"Line", "Controller", "Result", "Address", "Partition", "Seconds", "Last message"}};
    for (const site::ControllerReport& r : report.rows) {
        std::ostringstream seconds;
        seconds << std::fixed << std::setprecision(1) << r.durationSeconds;
        cells.push_back({std::to_string(r.line), r.controller, site::resultText(r.result),
                         r.addressAfter, r.partition > 0 ? std::to_string(r.partition) : "",
                         seconds.str(), r.messages.empty() ? "" : r.messages.back()});
    }
    // Each column as wide as its widest cell: a serial row's link and address are long.
    std::vector<size_t> widths(cells.front().size(), 0);
    for (const auto& row : cells)
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    out_ << '\n';
    for (const auto& row : cells) {
        std::string text;
        for (size_t i = 0; i + 1 < row.size(); ++i) text += padded(row[i], widths[i] + 2);
        out_ << text << row.back() << '\n';
    }
}

}  // namespace cli
