#pragma once
#include "cli/command_line.h"
#include "core/run/copy_options.h"

#include <ostream>

namespace vt {

// `vantorel --check LIST`: compares every file the list selects with its backup,
// without a window, and writes nothing to the backup. The report goes to `out`, one
// line per entry as in the journal, and to the list's journal, appended or new as
// `options` (or --journal) say; --journal=none leaves the journal alone. Questions
// and a line at the start and at the end go to `err`, and the progress when
// `show_progress`. Exit status: 0 when every file is the same, 1 when one differs,
// is missing or could not be read (or a folder or line could not be checked), 2 when
// the check could not start, 130 when it was interrupted.
int headless_check(const CommandLine& command, const CopyOptions& options, std::ostream& out,
                   std::ostream& err, bool show_progress);

} // namespace vt
