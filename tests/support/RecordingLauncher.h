#pragma once
// A process launcher that records what would have been started.
#include <string>
#include <vector>

#include "platform/kvxglib/ProcessLauncher.h"

class RecordingLauncher final : public kvxglib::ProcessLauncher {
  public:
    bool launch(const std::vector<std::string>& argv,
                const std::string& workingDirectory) override {
        launched.push_back(argv);
        directories.push_back(workingDirectory);
        return succeed;
    }
    std::vector<std::vector<std::string>> launched;
    std::vector<std::string> directories;
    bool succeed = true;
};
