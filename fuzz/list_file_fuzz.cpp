// Feeds arbitrary bytes to the line splitter and the list reader.
#include "core/list/list_file.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)vt::split_items(bytes);

    static const std::string path = "/tmp/vantorel-fuzz-" + std::to_string(::getpid()) + ".vtl";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    vt::CopyList list;
    if (vt::load_vtl(list, path).ok) {
        (void)vt::grid_to_vtl(list);
        (void)vt::save_vtl(list, path);
    }
    return 0;
}
