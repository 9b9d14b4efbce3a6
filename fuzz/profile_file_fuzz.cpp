// Feeds arbitrary bytes to the profile (INI) reader, then edits and re-reads the result:
// nothing may crash, and an edit must leave a value that reads back as written.
#include "core/platform/profile_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    vt::ProfileFile ini(bytes);
    if (ini.text() != bytes)
        std::abort(); // an untouched file must be written back byte for byte

    for (const char* section : {"Options", "Defaults", "HistoryFiles", "Autoload"}) {
        (void)ini.read_bool(section, "VerifyEachFile", true);
        (void)ini.read_integer(section, "JournalFileAppend", 0);
        (void)ini.read_string(section, "File0", "");
    }
    (void)vt::parse_profile_integer(bytes);

    ini.erase_section("HistoryFiles");
    ini.write_string("HistoryFiles", "File0", "/l/A.vtl");
    ini.write_integer("options", "JournalFileAppend", 1);
    const vt::ProfileFile back(ini.text());
    if (back.read_string("HistoryFiles", "File0", "") != "/l/A.vtl" ||
        back.read_integer("OPTIONS", "JournalFileAppend", 0) != 1)
        std::abort();
    return 0;
}
