#pragma once
// The KVXreal C operating-system upgrade on the transfer engine. Upgrade stages the whole
// image and holds the commit; FinishUpgrade commits it, waits (bounded) for the restarted
// controller, wherever it answers, and reads its version back: only the image's version
// counts as a finished upgrade.
#include <optional>

#include "platform/components/ControllerReturn.h"
#include "platform/components/ImageSource.h"
#include "platform/components/Loader.h"
#include "platform/components/OsUpgrader.h"

namespace components {

class Channel;

class RealOsUpgrader final : public OsUpgrader, Loader {
public:
    RealOsUpgrader(ReturnWait wait, image::KeyReading key) : wait_(wait), key_(std::move(key)) {}
    ~RealOsUpgrader() override;

    bool LocateImage(int32_t flags, int16_t& found) override;
    bool Upgrade(int32_t zero, int16_t& done) override;
    bool FinishUpgrade(int32_t zero, int16_t& ready) override;
    void Cancel() override { cancelled_ = true; }
    uint16_t FailureCode() const override { return failureCode_; }
    void Compression(transfer::Compression compression) override { compression_ = compression; }
    LoadFigures LastLoad() const override { return figures_; }
    uint8_t PLA() const override { return pla_; }
    void PLA(uint8_t pla) override { pla_ = pla; }
    uint8_t ELA() const override { return ela_; }
    void ELA(uint8_t ela) override { ela_ = ela; }
    int32_t Link() const override { return link_; }
    void Link(int32_t link) override { link_ = link; }
    void ErrorCallback(IQAVSErrorCallback* callback) override { error_ = callback; }
    void ProgressCallback(IQAVSProgressCallback* callback) override { progress_ = callback; }
    std::string UpgradeFile() const override { return file_; }
    void UpgradeFile(const std::string& path) override;
    int16_t ImageVerMajor() const override { return version(0); }
    int16_t ImageVerMinor() const override { return version(1); }
    int16_t ImageVerBranch() const override { return version(2); }
    int16_t ImageVerRevision() const override { return version(3); }
    std::string ImageProblem() const override { return source_ ? "" : sourceError_; }

private:
    int16_t version(int part) const;
    transfer::Job job() const;
    void dropStaged();
    // After a commit whose answer was lost: false when the controller still holds the
    // transfer uncommitted (then dropped); otherwise the version read back decides.
    bool commitTookPlace(Channel& controller, uint32_t transferId);

    ReturnWait wait_;
    image::KeyReading key_;  // the product's: only images it signed are sent
    std::string file_;
    std::optional<ImageSource> source_;
    std::string sourceError_ = "No operating-system image was named.";
    std::optional<uint32_t> staged_;  // transfer id held for FinishUpgrade
    uint16_t failureCode_ = 0;
};

}  // namespace components
