#pragma once
#include "core/list/file_dialog.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vt::test {

// A file dialog that answers from a script and records what it was shown with.
// Showing it with an empty script fails the test and counts as Cancel.
class ScriptedFileDialog final : public FileDialog {
public:
    struct Shown {
        std::string initial_dir, file_name, filter;
    };

    bool execute() override;

    // The next showing chooses `name`; std::nullopt cancels it.
    void answer(std::optional<std::string> name) { script_.push_back(std::move(name)); }
    bool done() const { return script_.empty(); }

    std::vector<Shown> shown;

private:
    std::deque<std::optional<std::string>> script_;
};

} // namespace vt::test
