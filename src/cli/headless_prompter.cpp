#include "cli/headless_prompter.h"

#include "cli/terminal_text.h"

#include <string>

namespace vt {

const char* HeadlessPrompter::answer_name(Answer answer) {
    switch (answer) {
    case Answer::Ok:
        return "OK";
    case Answer::Cancel:
        return "Cancel";
    case Answer::Yes:
        return "Yes";
    case Answer::No:
        return "No";
    case Answer::Abort:
        return "Abort";
    case Answer::Retry:
        return "Retry";
    case Answer::Ignore:
        return "Ignore";
    }
    return "?";
}

Answer HeadlessPrompter::choose(const Prompt& prompt) const {
    switch (prompt.buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::AbortRetryIgnore:
        return Answer::Ignore;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::OkCancel:
        // A folder that failed is accepted (OK is its default); a disk that is not
        // there is not written to (Cancel is its default).
        return prompt.default_button;
    case Buttons::YesNoCancel:
        if (prompt.text.rfind("The version of: ", 0) == 0)
            return replace_newer_ ? Answer::Yes : Answer::No;
        return Answer::Yes;
    }
    return prompt.escape_answer;
}

bool HeadlessPrompter::answers_unseen(const Prompt& prompt) const {
    return quiet_ && prompt.text == "Do you wish to view the journal file now?";
}

Answer HeadlessPrompter::ask(const Prompt& prompt) {
    const Answer answer = choose(prompt);
    if (answers_unseen(prompt))
        return answer;
    if (before_writing_)
        before_writing_();
    // One line per question, so that a scheduled run's log reads (and greps) well:
    // line breaks become blanks, and runs of blanks one.
    std::string text;
    text.reserve(prompt.text.size());
    for (char c : prompt.text) {
        if (c == '\r' || c == '\n')
            c = ' ';
        if (c == ' ' && (text.empty() || text.back() == ' '))
            continue;
        text += c;
    }
    if (!text.empty() && text.back() == ' ')
        text.pop_back();
    // The question names files and folders, and holds the list's message.
    text = terminal_text(text);
    last_question_ = text;
    log_ << "vantorel: [" << terminal_text(prompt.title) << "] " << text << "\n"
         << "vantorel: answered " << answer_name(answer) << "\n";
    log_.flush();
    return answer;
}

} // namespace vt
