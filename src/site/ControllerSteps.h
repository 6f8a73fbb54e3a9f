#pragma once
// What the run does to one controller, step by step. The real steps are the program's own
// operations on a session of their own; tests put a fake controller behind the same calls.
#include <functional>
#include <memory>
#include <string>

#include "site/Plan.h"
#include "site/Report.h"

namespace site {

// The run's side of a row, handed to its steps: progress and messages go out as events, and
// the steps ask at each window whether the run was cancelled. Used on the row's worker thread.
class RowContext {
  public:
    virtual ~RowContext() = default;
    virtual void progress(double zeroToOne) = 0;
    // Shown to the user and kept in the report.
    virtual void message(const std::string& text) = 0;
    virtual bool cancelled() const = 0;
};

// Each step fills what it learns into the row's report and returns false when the row cannot
// go on, having told why through the context. A cancelled step returns false too.
class ControllerSteps {
  public:
    virtual ~ControllerSteps() = default;
    // Reaches the controller: serial, name, address, operating-system and Port OS versions.
    virtual bool connect(ControllerReport& report) = 0;
    virtual bool backup(ControllerReport& report) = 0;  // fills backupFile
    // Upgrades the operating system when the revision ships another one; true when it is
    // current afterwards.
    virtual bool upgradeOs(ControllerReport& report) = 0;
    virtual bool load(ControllerReport& report) = 0;
    // Reads back the versions and the stored checksum and compares it with the image's.
    virtual bool verify(ControllerReport& report) = 0;
    virtual bool changeAddress(ControllerReport& report) = 0;  // only with a new address
    virtual bool loadSettings(ControllerReport& report) = 0;   // only with a settings file
};

// Makes the steps of one row, on the row's worker thread.
using StepsFactory =
    std::function<std::unique_ptr<ControllerSteps>(const PlanRow& row, RowContext& context)>;

}  // namespace site
