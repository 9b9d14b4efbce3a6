#include "support/scoped_env.h"

#include "support/temp_dir.h"

#include <cstdlib>

namespace vt::test {

namespace {

void put(const std::string& name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
}

} // namespace

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str()))
        before_ = old;
    put(name_, value);
}

ScopedEnv::~ScopedEnv() {
    put(name_, before_);
}

void ScopedEnv::set(const std::optional<std::string>& value) {
    put(name_, value);
}

ScopedEnv runtime_dir_in(const TempDir& dir) {
    return ScopedEnv("XDG_RUNTIME_DIR", dir.mkdir("run"));
}

} // namespace vt::test
