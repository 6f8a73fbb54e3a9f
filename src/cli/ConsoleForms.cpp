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
    if (progress_ == nullptr || progress_->NumValue.text == printed_) return;
    printed_ = progress_->NumValue.text;
    if (!terminal_) {
        out_ << printed_ << " %\n";
        return;
    }
    const auto filled = static_cast<int>(load::ClampedProgress(progress_->ProgressBar1.value) * kBarWidth);
    out_ << "\r[" << std::string(static_cast<size_t>(filled), '#')
         << std::string(static_cast<size_t>(kBarWidth - filled), ' ') << "] " << printed_ << " %"
         << std::flush;
}

}  // namespace cli
