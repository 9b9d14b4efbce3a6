#pragma once
#include "core/platform/key_store.h"

#include <optional>
#include <string>

namespace vt {

// The machine-wide record of the installed version.
inline constexpr const char* kVersionKey = "Software\\Larchmere Utilities\\Vantorel";
inline constexpr const char* kVersionValue = "Version";

// Writes the version ("1.0a") when the record is missing or empty; a record of
// another type is reported and left alone. Returns the message for the error box.
std::optional<std::string> ensure_version_record(KeyStore& store);

} // namespace vt
