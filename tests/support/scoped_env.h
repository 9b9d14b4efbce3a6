#pragma once
#include <optional>
#include <string>

namespace vt::test {

class TempDir;

// Sets an environment variable for as long as the object lives, then gives back what
// was there before: a later test of the same process never sees this one's folders,
// nor loses those the suite's main set up (the home folders of the widget suites).
class ScopedEnv {
public:
    // No value: the variable is unset meanwhile.
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    // Changes the value while the object lives; what is given back stays the same.
    void set(const std::optional<std::string>& value);

private:
    std::string name_;
    std::optional<std::string> before_;
};

// XDG_RUNTIME_DIR on dir/run while the object lives: run locks and the like go there,
// not into the real runtime folder of the user running the tests.
ScopedEnv runtime_dir_in(const TempDir& dir);

} // namespace vt::test
