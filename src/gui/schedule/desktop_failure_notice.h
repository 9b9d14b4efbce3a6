#pragma once
#include <string>

namespace vt {

// Shows a scheduled run's failure as a desktop notification when there is a session
// bus, and waits for its answer, so that its action can open the journal.
void notify_failure_on_desktop(int argc, char** argv, const std::string& summary,
                               const std::string& body, const std::string& journal);

} // namespace vt
