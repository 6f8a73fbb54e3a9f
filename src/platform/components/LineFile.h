#pragma once
// A log written line by line: started afresh by the first line, flushed after each, so that
// what was written survives whatever happens next.
#include <fstream>
#include <string>

namespace components {

class LineFile {
public:
    void path(const std::string& path) {
        path_ = path;
        out_.close();
        started_ = false;
    }
    // False when the file cannot be written (the line is lost only from the file).
    bool write(const std::string& line) {
        if (path_.empty()) return false;
        if (!started_) {
            out_.open(path_, std::ios::trunc);
            started_ = true;
        }
        if (!out_) return false;
        out_ << line << '\n';
        out_.flush();
        return bool(out_);
    }

private:
    std::string path_;
    std::ofstream out_;
    bool started_ = false;
};

}  // namespace components
