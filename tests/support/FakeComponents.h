#pragma once
// Scriptable fakes of the loader components. Every call lands in the factory's `calls` log as
// one line ("AppLoader.Open(C:/x.job)", "PartitionManager.Commit"), in order, across all
// instances the factory made; `script` says what the calls answer. Instances may be released
// by the program: the log and the script live in the factory.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/components/Factory.h"
#include "platform/components/LoadFigures.h"
#include "platform/transfer/TransferEngine.h"

namespace testsupport {

struct ComponentScript {
    // AppLoader
    bool openResult = true;
    std::string programName = "FakeProgram";
    std::vector<double> loadProgress{0.5, 1.0};  // reported in order during Load
    std::vector<std::string> loadErrors;         // reported through the error callback
    bool loadResult = true;
    uint16_t failureCode = 0;  // FailureCode after a Load that failed
    std::function<void()> onLoadEnd;  // runs as Load is about to return, e.g. a late Cancel
    // Runs after the caller's stop, before the commit: a Cancel there drops the staged image.
    std::function<void()> beforeCommitEnds;
    int partitionAfterLoad = -1;  // -1: Partition keeps what was written
    int plaAfterLoad = -1, elaAfterLoad = -1;

    // JobLoader
    bool addJobResult = true;
    bool runResult = true;
    int16_t allDone = -1;
    std::vector<float> jobProgress{0.5f, 1.0f};  // Progress after each step of Run

    // OsUpgrader
    int16_t locateFound = 0;
    std::string locatedFile = "KVXreal.img";
    int16_t imageVersion[4] = {1, 0, 0, 0};  // major, minor, branch, revision
    std::string imageProblem;                // why the named image cannot be loaded
    bool upgradeResult = true;
    uint16_t upgradeFailureCode = 0;  // FailureCode after an Upgrade that failed
    int16_t upgradeDone = -1;
    std::vector<double> upgradeProgress{0.5, 1.0};
    bool finishResult = true;
    int16_t finishReady = -1;
    int plaAfterUpgrade = -1, elaAfterUpgrade = -1;

    // OsVersionChecker
    std::string firstVersion = "01.00.00.0001";
    std::string secondVersion = "01.00.00.0001";
    int32_t scanResult = 1;
    int32_t checkerUpgradeResult = 1;

    // PartitionManager: the controller's table and what the calls answer.
    std::map<uint8_t, int32_t> partitions;  // number -> size in bytes
    bool attachResult = true;
    bool commitResult = true;
    std::string partitionError;  // what LastError answers

    // What LastLoad answers, for the loaders that have one.
    components::LoadFigures loaded;
};

class FakeComponentFactory final : public components::Factory {
public:
    std::unique_ptr<components::AppLoader> NewAppLoader() override;
    std::unique_ptr<components::JobLoader> NewJobLoader() override;
    std::unique_ptr<components::OsUpgrader> NewOsUpgrader() override;
    std::unique_ptr<components::OsVersionChecker> NewOsVersionChecker() override;
    std::unique_ptr<components::PartitionManager> NewPartitionManager() override;

    void record(std::string call) {
        calls.push_back(call);
        if (onCall) onCall(calls.back());
    }
    // Calls whose text begins with `prefix`.
    std::vector<std::string> callsOf(const std::string& prefix) const;

    ComponentScript script;
    std::vector<std::string> calls;
    // Runs after each recorded call, e.g. to press Cancel in the middle of a load.
    std::function<void(const std::string&)> onCall;
    int made = 0;  // components created
    // The compression each kind of component ("AppLoader", "JobLoader", ...) was last given;
    // kept apart from `calls`, whose lines the tests compare whole.
    std::map<std::string, transfer::Compression> compressionOf;
};

}  // namespace testsupport
