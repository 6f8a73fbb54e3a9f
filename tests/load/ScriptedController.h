#pragma once
// A controller played in memory for the loading and maintenance commands: its address,
// partitions and variables, failures on request, and a log of every call in order.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "load/Controller.h"

namespace loadtest {

struct ScriptedPartition {
    std::string name;
    std::string title;
    int32_t type = 2;
    int32_t loadSeconds = 0;
    int32_t currentSize = 0;
    int32_t maxSize = 0;
    int32_t holdsImage = 0;  // attribute 5
};

class ScriptedController final : public load::Controller {
  public:
    bool present = true;  // answers the presence check
    int16_t pla = 12;
    int16_t ela = 3;
    std::string osKind = "C";
    std::map<int, ScriptedPartition> partitions;
    std::map<int, int32_t> checksums;  // attribute 1000 by partition; none for an empty one
    bool partitionListFails = false;
    int16_t activePartition = 16;
    bool activeReadFails = false;
    int refusedProgramActivations = 0;  // the next N activations but of 14 fail (busy)
    int16_t moduleType = -1;  // file 241 index 36; -1 fails to read
    std::map<std::string, int32_t> numbers;  // by name; a missing name fails to read
    std::set<std::pair<int, int>> others;    // addresses where other controllers answer
    std::set<int> failingAddressWrites;      // indexes of file 241 whose write fails
    std::set<std::pair<int, int>> deaf;      // addresses where polls go unanswered
    std::vector<std::string> calls;
    // Activation on trial: known only with a script. Each status read takes the next report of
    // `trialStatuses` (nothing: no answer), the last one again once they are used up.
    bool knowsTrial = false;
    int failedTrialActivations = 0;  // the next N activations on trial fail
    uint32_t grantMs = 300;
    std::vector<std::optional<wire::TrialReport>> trialStatuses;
    bool confirmAnswers = true;

    // The calls whose text starts with `prefix`.
    std::vector<std::string> callsStartingWith(const std::string& prefix) const;

    bool readControllerAddress(int16_t& outPla, int16_t& outEla) override;
    void detectOsKind(int16_t, int16_t) override;
    bool poll(int16_t atPla, int16_t atEla) override;
    void coolStart(int16_t atPla, int16_t atEla) override;
    void coldStart(int16_t atPla, int16_t atEla) override;
    void setClock(int16_t atPla, int16_t atEla) override;
    bool activate(int16_t atPla, int16_t atEla, int16_t partition, int16_t sub) override;
    TrialAnswer activateOnTrial(int16_t atPla, int16_t atEla, int16_t partition, int16_t sub,
                                int16_t back, int16_t backSub, uint32_t askMs,
                                uint32_t& grantedMs) override;
    bool confirmTrial(int16_t atPla, int16_t atEla, int16_t partition, int16_t sub) override;
    bool trialStatus(int16_t atPla, int16_t atEla, wire::TrialReport& report) override;
    bool allPartitions(int16_t atPla, int16_t atEla, std::vector<uint8_t>& list) override;
    bool partAttr(int16_t, int16_t, uint8_t partition, int16_t attribute,
                  int32_t& value) override;
    bool setPartAttr(int16_t, int16_t, uint8_t partition, int16_t attribute,
                     int32_t value) override;
    bool partText(int16_t, int16_t, uint8_t partition, int16_t attribute,
                  std::string& text) override;
    bool setPartText(int16_t, int16_t, uint8_t partition, int16_t attribute,
                     const std::string& text) override;
    bool readNumber(int16_t, int16_t, const std::string& name, int32_t& value) override;
    bool writeNumber(int16_t, int16_t, const std::string& name, int32_t value) override;
    bool readSystemSmallInt(int16_t, int16_t, int32_t index, int16_t& value,
                            const std::string&) override;
    bool readSystemInt(int16_t, int16_t, int32_t index, int16_t& value,
                       const std::string& label) override;
    bool writeSystemSmallInt(int16_t atPla, int16_t atEla, int32_t index, int16_t value) override;

    // The connection's OS kind is set by detectOsKind through this.
    std::string* osKindTarget = nullptr;

  private:
    bool at(int16_t atPla, int16_t atEla) const {
        return present && ((atPla == pla && atEla == ela) || (atPla == 255 && atEla == 30));
    }
    void log(const std::string& text) { calls.push_back(text); }
    std::size_t statusReads_ = 0;
};

}  // namespace loadtest
