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

void SiteConsole::summary(const site::Report& report) {
    if (terminal_ && drawn_ > 0) out_ << "\x1b[" << drawn_ << "F\x1b[J";
    drawn_ = 0;
    if (!terminal_) {
        for (const site::ControllerReport& r : report.rows)
            out_ << r.controller << "\t" << site::resultText(r.result) << "\n";
        return;
    }
    out_ << '\n'
         << padded("Line", 5) << padded("Controller", 18) << padded("Result", 12)
         << padded("Address", 9) << padded("Partition", 10) << padded("Seconds", 9)
         << "Last message\n";
    for (const site::ControllerReport& r : report.rows) {
        std::ostringstream seconds;
        seconds << std::fixed << std::setprecision(1) << r.durationSeconds;
        out_ << padded(std::to_string(r.line), 5) << padded(r.controller, 18)
             << padded(site::resultText(r.result), 12) << padded(r.addressAfter, 9)
             << padded(r.partition > 0 ? std::to_string(r.partition) : "", 10)
             << padded(seconds.str(), 9) << (r.messages.empty() ? "" : r.messages.back()) << '\n';
    }
}

}  // namespace cli
