#pragma once
#include <string>
#include <vector>

namespace vt::test {

// The output of a shell command; empty when it could not run.
std::string command_output(const std::string& command);

// The text of each page of a PDF file, laid out as on paper (pdftotext -layout).
std::vector<std::string> pdf_pages(const std::string& pdf);

// One word of a PDF page with its box in points, top left origin.
struct PdfWord {
    int page = 0; // from 1
    double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
    std::string text;
};
struct PdfPageSize {
    double width = 0, height = 0;
};
struct PdfLayout {
    std::vector<PdfPageSize> pages;
    std::vector<PdfWord> words;
    // The first word with this text on `page`, or null.
    const PdfWord* find(int page, const std::string& text) const;
};
PdfLayout pdf_layout(const std::string& pdf);

// The lines of a page's text without trailing blanks, empty lines kept.
std::vector<std::string> text_lines(const std::string& page);

} // namespace vt::test
