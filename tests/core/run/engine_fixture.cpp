#include "core/run/engine_fixture.h"

#include "core/list/list_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/stat.h>

namespace vt::test {

Answer MaskingPrompter::ask(const Prompt& prompt) {
    Prompt masked = prompt;
    masked.text = mask_dates(prompt.text);
    return inner_.ask(masked);
}

EngineFixture::EngineFixture() {
    list.set_row_count(1);
}

void EngineFixture::line(const std::string& source, const std::string& mask,
                         const std::string& destination, bool replace, bool subfolders) {
    list.append_line({source, mask, destination, flag_text(replace), flag_text(subfolders)});
}

void EngineFixture::save_list(const std::string& name) {
    ASSERT_TRUE(save_vtl(list, dir / name).ok);
}

void EngineFixture::run() {
    engine.click();
}

std::string EngineFixture::journal_path() const {
    return Journal::file_name_for(list.file_name());
}

std::vector<std::string> EngineFixture::journal_lines() const {
    std::vector<std::string> lines;
    const std::string text = mask_dates(read_file(journal_path()));
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "journal line without CR LF: " << text.substr(start);
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> EngineFixture::leftovers(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name.find(".vtcopy") != std::string::npos || name.find(".tmp") != std::string::npos)
            found.push_back(e.path().string());
    }
    return found;
}

int count_of(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

std::string unreadable_box(const std::string& folder, int error) {
    return "Your system is unable to read the source folder\r\n" + folder +
           " with the following message: \r\n\r\n" + std::strerror(error);
}

std::string pattern(std::size_t size, std::size_t block) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>('a' + (i * 7 + i / block) % 26);
    return s;
}

void expect_offer(ScriptedPrompter& prompter, int total, Answer answer) {
    prompter.expect(std::to_string(total) + " files copied",
                    "Do you wish to view the journal file now?", answer);
}

std::string mask_dates(const std::string& text) {
    static const std::regex date(R"(\d\d/\d\d/\d\d( \d\d:\d\d:\d\d)?)");
    return std::regex_replace(text, date, "<date>");
}

} // namespace vt::test
