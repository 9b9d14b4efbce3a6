#pragma once
#include <string>

namespace vt {

// What the program hands to the desktop: documents and addresses to open, help
// topics to show. The program uses Qt's desktop services; tests record the calls.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    // A document (by full path) or an address ("mailto:", "http://"); the outcome
    // is not examined by the callers.
    virtual void open_url(const std::string& url) = 0;
    virtual void open_document(const std::string& path) = 0;
    // The help topic of a keyword; an empty keyword shows the contents.
    virtual void show_help(const std::string& keyword) = 0;
};

} // namespace vt
