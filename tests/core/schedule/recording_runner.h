#pragma once
#include "core/schedule/command_runner.h"

#include <string>
#include <vector>

namespace vt::test {

using Argv = std::vector<std::string>;

// Records every command and answers like systemctl would: "show" succeeds only
// while a user manager runs; `failing` names a subcommand that fails.
class RecordingRunner final : public CommandRunner {
public:
    CommandResult run(const Argv& argv) override {
        calls.push_back(argv);
        const std::string verb = argv.size() > 2 ? argv[2] : std::string();
        if (verb == "show")
            return {manager ? 0 : 1, manager ? "Version=252\n" : "Failed to connect to bus\n"};
        if (verb == failing)
            return {1, "Failed to " + verb + " unit: Access denied\nmore detail\n"};
        return {0, ""};
    }
    bool manager = true;
    std::string failing;
    std::vector<Argv> calls;
};

// Runs a real program and gives its status and output.
inline CommandResult run_program(const Argv& argv) {
    return SystemCommandRunner().run(argv);
}

} // namespace vt::test
