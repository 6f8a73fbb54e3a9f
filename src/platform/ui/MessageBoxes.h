#pragma once
// Message and question boxes, shown by the general library on the program's behalf.
#include <cstdint>
#include <string>

namespace ui {

// Button sets and answers keep the codes the program passes and tests.
namespace buttons {
constexpr int32_t Ok = 0;
constexpr int32_t OkCancel = 1;
constexpr int32_t YesNo = 4;
constexpr int32_t SecondDefault = 256;
}  // namespace buttons
namespace answer {
constexpr int32_t Ok = 1;
constexpr int32_t Cancel = 2;
constexpr int32_t Yes = 6;
constexpr int32_t No = 7;
}  // namespace answer

enum class MessageKind : int32_t { Error = 0, Information = 2 };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void showMessage(const std::string& text, MessageKind kind) = 0;
    // Returns one of the `answer` codes.
    virtual int32_t ask(const std::string& text, const std::string& caption, int32_t buttons) = 0;
};

// The answer a box gives when nobody is there to press a button.
int32_t defaultAnswer(int32_t buttons);

}  // namespace ui
