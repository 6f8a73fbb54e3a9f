#include "load/ConfirmationTexts.h"

#include "catalogue/Texts.h"

namespace load {
namespace {
constexpr int32_t kOk = 256;
constexpr int32_t kCancel = 257;
}  // namespace

void LoadConfirmationTexts(kvxglib::Library& glib, const ConfirmationTexts& numbers,
                           std::string& caption, ui::Control& general,
                           std::map<int, ui::Control>& steps, ui::Control& ok,
                           ui::Control& cancel) {
    caption = catalogue::GetText(glib, numbers.caption);
    general.caption = catalogue::GetText(glib, numbers.general);
    for (auto& [index, label] : steps) {
        label.caption = catalogue::GetText(glib, numbers.firstStep + index);
    }
    ok.caption = catalogue::GetText(glib, kOk);
    cancel.caption = catalogue::GetText(glib, kCancel);
}

}  // namespace load
