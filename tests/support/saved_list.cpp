#include "support/saved_list.h"

#include "core/list/list_file.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace vt::test {

std::string save_list(const std::string& path, const std::vector<CopyLine>& lines,
                      const std::string& message) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    CopyList list;
    list.set_message(message);
    for (const CopyLine& line : lines)
        list.append_line(line);
    const IoResult saved = save_vtl(list, path);
    EXPECT_TRUE(saved.ok) << path << ": " << saved.error;
    return path;
}

} // namespace vt::test
