#pragma once
// A job file (docs/job-file.md): a [Job] section that describes the program, then one [Step]
// section per step, run in file order. Reading checks everything that can be checked without
// a controller and reports each mistake as "file:line: what".
#include <string>
#include <vector>

#include "platform/wire/Variable.h"

namespace components {

enum class StepAction { Stop, Clear, Write, Load, Start };
const char* stepActionName(StepAction action);

struct JobStep {
    StepAction action = StepAction::Stop;
    int line = 0;                // of the [Step] header
    std::string variable;        // Write: "QSystem.ApplicationName" as written
    wire::VarAddress address{};  // Write: where the variable lives
    wire::Value value;           // Write: the value, code page 850 for texts
    std::string image;           // Load: image file name, relative to the job file's folder
};

struct JobFile {
    std::string program;   // [Job] Program
    std::string revision;  // [Job] Revision
    std::string image;     // [Job] Image: the image a KVXreal C load takes
    int imageLine = 0;
    std::vector<JobStep> steps;
};

struct JobFileReading {
    JobFile job;
    std::vector<std::string> mistakes;  // empty when the file can be used
    bool ok() const { return mistakes.empty(); }
};

// `name` is what mistakes call the file (its path).
JobFileReading readJobFile(const std::string& text, const std::string& name);

}  // namespace components
