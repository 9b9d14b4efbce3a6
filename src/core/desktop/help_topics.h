#pragma once
#include "core/platform/prompter.h"

#include <string>
#include <string_view>

// The program's manual: where it lies and how its topics are found.
namespace vt::help {

inline constexpr const char* kFileName = "Vantorel.html";

// The keywords the windows ask for.
inline constexpr const char* kUsingVantorel = "Using Vantorel";
inline constexpr const char* kCopySpecification = "Copy Specification";
inline constexpr const char* kEditingVtl = "Editing VTL";
inline constexpr const char* kCopyright = "Copyright";

// The manual's full path when a regular file of that name is in `folder` (which ends
// with "/"), otherwise empty.
std::string find_help_file(const std::string& folder);

// Where an installed program keeps its manual, relative to the program's folder.
inline constexpr const char* kInstalledManualFolder = "../share/doc/vantorel/";

// The manual of the program in `program_folder` (which ends with "/"): the one beside
// the program (a build folder), else the installed one; empty when neither is there.
std::string find_manual(const std::string& program_folder);

// The anchor of a keyword in the manual: letters in lower case, every run of other
// characters one "-" ("Using Vantorel" -> "using-vantorel"); the contents for an
// empty keyword.
std::string anchor_for(std::string_view keyword);
inline constexpr const char* kContentsAnchor = "contents";

// The box that F1 shows when the program has no manual.
Prompt no_help_prompt();

} // namespace vt::help
