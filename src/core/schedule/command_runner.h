#pragma once
#include <string>
#include <vector>

namespace vt {

// What a finished command left: its exit status (128 + the signal's number when a
// signal ended it; -1 when it could not be started) and what it wrote to its
// standard output and error together.
struct CommandResult {
    int status = -1;
    std::string output;
    bool ok() const { return status == 0; }
};

// Runs outside commands (systemctl). The program runs them for real; tests record
// them and answer as they please.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    virtual CommandResult run(const std::vector<std::string>& argv) = 0;
};

// Starts the command found on PATH with standard input from /dev/null and waits
// for it.
class SystemCommandRunner final : public CommandRunner {
public:
    CommandResult run(const std::vector<std::string>& argv) override;
};

} // namespace vt
