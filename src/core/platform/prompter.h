#pragma once
#include <string>

namespace vt {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore };
enum class Answer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };
enum class Icon { None, Information, Question, Warning, Stop };

// One message box, as a value: the core describes it, a Prompter shows it.
struct Prompt {
    std::string title;
    std::string text;
    Buttons buttons = Buttons::Ok;
    Answer default_button = Answer::Ok;
    Icon icon = Icon::None;
    // The answer given when the box is closed through its frame or with Esc.
    Answer escape_answer = Answer::Cancel;

    bool operator==(const Prompt&) const = default;
};

// The standard error box: caption "Vantorel", the message and a full stop, stop icon.
Prompt error_prompt(const std::string& message);

// Shows message boxes. The GUI answers with a real box, the headless run with a
// fixed policy, tests with a script.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual Answer ask(const Prompt& prompt) = 0;
    // Whether `ask` answers this box by itself without showing it or writing it
    // anywhere: nobody sees it, so nothing has to come before it and nothing can
    // change while it is open.
    virtual bool answers_unseen(const Prompt& /*prompt*/) const { return false; }
    void show_error(const std::string& message) { ask(error_prompt(message)); }
};

} // namespace vt
