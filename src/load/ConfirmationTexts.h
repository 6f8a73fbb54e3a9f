#pragma once
// The confirmation dialogs before an upgrade or a reload read their caption, their general
// text, one text per step and the OK/Cancel captions from the texts file.
#include <cstdint>
#include <map>
#include <string>

#include "platform/kvxglib/Library.h"
#include "platform/ui/Controls.h"

namespace load {

struct ConfirmationTexts {
    int32_t caption;
    int32_t general;
    int32_t firstStep;  // step n reads this text number + n
};

void LoadConfirmationTexts(kvxglib::Library& glib, const ConfirmationTexts& numbers,
                           std::string& caption, ui::Control& general,
                           std::map<int, ui::Control>& steps, ui::Control& ok,
                           ui::Control& cancel);

}  // namespace load
