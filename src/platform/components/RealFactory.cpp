#include "platform/components/RealFactory.h"

namespace components {

// Until the transfer engine is in, every component answers that it cannot run.
namespace {

class NoAppLoader final : public AppLoader {
public:
    bool Open(const std::string&) override { return false; }
    bool Load() override { return false; }
    void Cancel() override {}
    uint8_t Partition() const override { return partition_; }
    void Partition(uint8_t partition) override { partition_ = partition; }
    std::string ProgramName() const override { return {}; }
    uint8_t PLA() const override { return pla_; }
    void PLA(uint8_t pla) override { pla_ = pla; }
    uint8_t ELA() const override { return ela_; }
    void ELA(uint8_t ela) override { ela_ = ela; }
    int32_t Link() const override { return link_; }
    void Link(int32_t link) override { link_ = link; }
    void ErrorCallback(IQAVSErrorCallback*) override {}
    void ProgressCallback(IQAVSProgressCallback*) override {}

private:
    uint8_t partition_ = 0, pla_ = 255, ela_ = 30;
    int32_t link_ = 0;
};

}  // namespace

std::unique_ptr<AppLoader> RealFactory::NewAppLoader() { return std::make_unique<NoAppLoader>(); }
std::unique_ptr<JobLoader> RealFactory::NewJobLoader() { return nullptr; }
std::unique_ptr<OsUpgrader> RealFactory::NewOsUpgrader() { return nullptr; }
std::unique_ptr<OsVersionChecker> RealFactory::NewOsVersionChecker() { return nullptr; }
std::unique_ptr<PartitionManager> RealFactory::NewPartitionManager() { return nullptr; }

}  // namespace components
