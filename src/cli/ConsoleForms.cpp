#include "cli/ConsoleForms.h"

#include <ostream>

#include "load/FormLoadApplication.h"
#include "load/FormReloadTCPIP.h"
#include "load/FormUpgradeKVXreal.h"
#include "load/ProgressText.h"

namespace cli {
namespace {
constexpr int kBarWidth = 40;
}  // namespace

void ConsoleForms::showModal(ui::Form& form) {
    if (auto* upgrade = dynamic_cast<load::FormUpgradeKVXreal*>(&form)) {
        out_ << upgrade->GenLabel.caption << (yes_ ? " -> OK" : " -> Cancel (no --yes)") << '\n';
        yes_ ? upgrade->OKButton_Click() : upgrade->CancelButton_Click();
    }
    // Asking for "load-web" is the consent the confirmation asks for.
    if (auto* reload = dynamic_cast<load::FormReloadTCPIP*>(&form)) {
        out_ << reload->GenLabel.caption << " -> OK\n";
        reload->OKButton_Click();
    }
    // Other dialogs are left as they are: dismissed.
}

void ConsoleForms::showModeless(ui::Form& form) {
    if (auto* dialog = dynamic_cast<load::FormLoadApplication*>(&form)) {
        progress_ = dialog;
        printed_.clear();
        out_ << dialog->Caption << '\n';
    }
}

void ConsoleForms::hide(ui::Form& form) {
    if (&form != progress_) return;
    showProgress();
    if (terminal_ && !printed_.empty()) out_ << '\n';
    progress_ = nullptr;
}

void ConsoleForms::cancelProgress() {
    if (progress_ != nullptr) progress_->CancelButton_Click();
}

void ConsoleForms::showProgress() {
    if (progress_ != nullptr)
        print(progress_->ProgressBar1.value, progress_->NumValue.text,
              progress_->BytesLabel.caption);
}

void ConsoleForms::showJobProgress(double zeroToOne) {
    const bool before = printed_ == "100";
    print(zeroToOne, load::PercentText(zeroToOne, load::UserDecimalPoint()));
    // Nothing hides a dialog at the end: the full bar ends its line itself.
    if (terminal_ && !before && printed_ == "100") out_ << '\n';
}

void ConsoleForms::print(double zeroToOne, const std::string& percent,
                         const std::string& bytes) {
    if (percent == printed_) return;
    printed_ = percent;
    const std::string after = bytes.empty() ? "" : " (" + bytes + ")";
    if (!terminal_) {
        // A script reading the pipe follows the load as it goes, not all at its end.
        out_ << printed_ << " %" << after << std::endl;
        return;
    }
    const auto filled = static_cast<int>(load::ClampedProgress(zeroToOne) * kBarWidth);
    out_ << "\r[" << std::string(static_cast<size_t>(filled), '#')
         << std::string(static_cast<size_t>(kBarWidth - filled), ' ') << "] " << printed_ << " %"
         << after << std::flush;
}

}  // namespace cli
