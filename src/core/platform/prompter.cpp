#include "core/platform/prompter.h"

namespace vt {

Prompt error_prompt(const std::string& message) {
    return {"Vantorel", message + ".", Buttons::Ok, Answer::Ok, Icon::Stop, Answer::Ok};
}

} // namespace vt
