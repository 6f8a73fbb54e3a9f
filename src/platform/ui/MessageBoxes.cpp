#include "platform/ui/MessageBoxes.h"

namespace ui {

int32_t defaultAnswer(int32_t buttonSet) {
    const bool secondDefault = (buttonSet & buttons::SecondDefault) != 0;
    switch (buttonSet & 0xF) {
        case buttons::OkCancel:
            return secondDefault ? answer::Cancel : answer::Ok;
        case buttons::YesNo:
            return secondDefault ? answer::No : answer::Yes;
        default:
            return answer::Ok;
    }
}

}  // namespace ui
