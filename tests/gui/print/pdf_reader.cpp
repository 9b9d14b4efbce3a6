#include "gui/print/pdf_reader.h"

#include <cstdio>
#include <regex>
#include <sstream>

namespace vt::test {
namespace {

std::string quoted(const std::string& path) {
    std::string q = "'";
    for (char c : path)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string unescape(std::string text) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
            text.replace(at, std::string(from).size(), to), at += std::string(to).size();
    return text;
}

} // namespace

std::string command_output(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

std::vector<std::string> pdf_pages(const std::string& pdf) {
    const std::string text = command_output("pdftotext -layout " + quoted(pdf) + " -");
    std::vector<std::string> pages;
    size_t start = 0;
    for (size_t ff = text.find('\f'); ff != std::string::npos; ff = text.find('\f', start)) {
        pages.push_back(text.substr(start, ff - start));
        start = ff + 1;
    }
    return pages; // pdftotext ends every page, the last included, with a form feed
}

PdfLayout pdf_layout(const std::string& pdf) {
    const std::string html = command_output("pdftotext -bbox " + quoted(pdf) + " -");
    PdfLayout layout;
    const std::regex page_re(R"re(<page width="([0-9.]+)" height="([0-9.]+)">)re");
    const std::regex word_re(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" )re"
                             R"re(xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    std::istringstream lines(html);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, m, page_re)) {
            layout.pages.push_back({std::stod(m[1]), std::stod(m[2])});
        } else if (std::regex_search(line, m, word_re)) {
            layout.words.push_back({static_cast<int>(layout.pages.size()), std::stod(m[1]),
                                    std::stod(m[2]), std::stod(m[3]), std::stod(m[4]),
                                    unescape(m[5])});
        }
    }
    return layout;
}

const PdfWord* PdfLayout::find(int page, const std::string& text) const {
    for (const PdfWord& w : words)
        if (w.page == page && w.text == text)
            return &w;
    return nullptr;
}

std::vector<std::string> text_lines(const std::string& page) {
    std::vector<std::string> lines;
    std::istringstream in(page);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace vt::test
