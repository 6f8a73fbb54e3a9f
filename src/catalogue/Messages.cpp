#include "catalogue/Messages.h"

namespace catalogue {
namespace {
constexpr int32_t kError = 0;
constexpr int32_t kInformation = 2;
constexpr int32_t kOkCancel = 1;
constexpr int32_t kOkCancelSecondDefault = 257;
constexpr int32_t kYesNo = 4;
constexpr int32_t kOk = 1;
constexpr int32_t kYes = 6;
}  // namespace

void ShowErrorMessage(kvxglib::Library& glib, const std::string& text) {
    glib.ShowMessage(text, kError);
}

void ShowInfoMessage(kvxglib::Library& glib, const std::string& text) {
    glib.ShowMessage(text, kInformation);
}

bool AskOkCancel(kvxglib::Library& glib, const std::string& text) {
    return glib.AskQuestion(text, 0, "", kOkCancel) == kOk;
}

bool AskOkCancelDefaultCancel(kvxglib::Library& glib, const std::string& text) {
    return glib.AskQuestion(text, 0, "", kOkCancelSecondDefault) == kOk;
}

bool AskYesNo(kvxglib::Library& glib, const std::string& text) {
    return glib.AskQuestion(text, 0, "", kYesNo) == kYes;
}

}  // namespace catalogue
