#pragma once
// The operating-system check of controllers without KVXreal C: the newest operating-system
// image of the revision's "KVXreal" folder against the controller's QSystem.OsRevision, both
// as fixed-width texts; Upgrade asks the user, loads the image and reads the version back.
#include <optional>

#include "platform/components/ControllerReturn.h"
#include "platform/components/ImageSource.h"
#include "platform/components/OsVersionChecker.h"

namespace ui {
class MessageBoxes;
}

namespace components {

// "02.05.00.0003": the form whose characters order versions by number.
std::string fixedWidthVersion(const image::Version& version);

class RealOsVersionChecker final : public OsVersionChecker {
public:
    RealOsVersionChecker(ReturnWait wait, ui::MessageBoxes& boxes, image::KeyReading key)
        : wait_(wait), boxes_(boxes), key_(std::move(key)) {}

    void Owner(intptr_t /*window*/) override {}
    void Directory(const std::string& programDirectory) override { directory_ = programDirectory; }
    void Link(int32_t link) override { link_ = link; }
    void PLA(uint8_t pla) override { to_.pla = pla; }
    void ELA(uint8_t ela) override { to_.ela = ela; }
    void Compression(transfer::Compression compression) override { compression_ = compression; }
    bool Scan(int16_t interactive, int32_t options, int32_t& result) override;
    std::string FirstVersion() const override { return first_; }
    std::string SecondVersion() const override { return second_; }
    bool Upgrade(int16_t ask, int32_t options, int32_t& result) override;

private:
    void tell(const std::string& text);

    ReturnWait wait_;
    ui::MessageBoxes& boxes_;
    image::KeyReading key_;  // the product's: only images it signed are offered
    std::string directory_;
    transfer::Compression compression_ = transfer::Compression::Auto;
    int32_t link_ = 0;
    wire::Address to_ = wire::kDirectAddress;
    bool interactive_ = false;
    std::optional<ImageSource> image_;
    std::string first_, second_;
};

}  // namespace components
