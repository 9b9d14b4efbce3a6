#pragma once
#include "core/platform/desktop_services.h"

#include <string>
#include <vector>

namespace vt::test {

// Writes down what the program hands to the desktop instead of opening anything.
class RecordingDesktopServices final : public DesktopServices {
public:
    void open_url(const std::string& url) override { urls.push_back(url); }
    void open_document(const std::string& path) override { documents.push_back(path); }
    void show_help(const std::string& keyword) override { help_topics.push_back(keyword); }

    std::vector<std::string> urls, documents, help_topics;
};

} // namespace vt::test
