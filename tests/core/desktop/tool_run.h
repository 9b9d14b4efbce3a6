#pragma once
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace vt::test {

// Runs a shell command; its standard output (blanks at the end removed) and status.
struct ToolRun {
    int status = -1;
    std::string output;
};

inline ToolRun run_tool(const std::string& command) {
    ToolRun run;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    while (!run.output.empty() && std::isspace(static_cast<unsigned char>(run.output.back())))
        run.output.pop_back();
    return run;
}

inline bool have_tool(const std::string& name) {
    return run_tool("command -v " + name).status == 0;
}

// A text as one word of a shell command line.
inline std::string shell_word(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace vt::test
