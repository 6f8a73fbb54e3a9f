#pragma once
// The KVXreal C loader on the transfer engine: an application image into one partition.
#include <optional>

#include "platform/components/AppLoader.h"
#include "platform/components/ImageSource.h"
#include "platform/components/Loader.h"

namespace comm {
class LinkAccess;
}

namespace components {

class RealAppLoader final : public AppLoader, Loader {
public:
    RealAppLoader(comm::LinkAccess& links, image::KeyReading key)
        : links_(links), key_(std::move(key)) {}

    void WebSite(bool webSite) override { webSite_ = webSite; }
    bool Open(const std::string& jobFile) override;
    bool Load() override;
    void BeforeCommit(std::function<void()> hook) override { beforeCommit_ = std::move(hook); }
    void Cancel() override { cancelled_ = true; }
    uint16_t FailureCode() const override { return failureCode_; }
    void Compression(transfer::Compression compression) override { compression_ = compression; }
    LoadFigures LastLoad() const override { return figures_; }
    uint8_t Partition() const override { return partition_; }
    void Partition(uint8_t partition) override { partition_ = partition; }
    std::string ProgramName() const override { return source_ ? source_->programName : ""; }
    uint8_t PLA() const override { return pla_; }
    void PLA(uint8_t pla) override { pla_ = pla; }
    uint8_t ELA() const override { return ela_; }
    void ELA(uint8_t ela) override { ela_ = ela; }
    int32_t Link() const override { return link_; }
    void Link(int32_t link) override { link_ = link; }
    void ErrorCallback(IQAVSErrorCallback* callback) override { error_ = callback; }
    void ProgressCallback(IQAVSProgressCallback* callback) override { progress_ = callback; }

private:
    std::string what() const { return webSite_ ? "web site" : "program"; }

    comm::LinkAccess& links_;
    image::KeyReading key_;  // the product's: only images it signed are sent
    uint8_t partition_ = 0;
    bool webSite_ = false;
    std::optional<ImageSource> source_;
    std::string openError_ = "No job file was opened.";
    std::function<void()> beforeCommit_;
    uint16_t failureCode_ = 0;
};

}  // namespace components
