#pragma once
#include "core/platform/desktop_services.h"

#include <functional>
#include <string>

namespace vt {

// The desktop as the window's runs see it: the journal a run offers opens in the
// program's own viewer, since a desktop without a program for text files would
// open nothing and say nothing. Everything else goes to the desktop.
class JournalDesktop final : public DesktopServices {
public:
    explicit JournalDesktop(DesktopServices& desktop) : desktop_(desktop) {}

    // Where a journal is shown; unset, the desktop opens it.
    void set_viewer(std::function<void(const std::string&)> show) { show_ = std::move(show); }

    void open_url(const std::string& url) override { desktop_.open_url(url); }
    void open_document(const std::string& path) override;
    void show_help(const std::string& keyword) override { desktop_.show_help(keyword); }

private:
    DesktopServices& desktop_;
    std::function<void(const std::string&)> show_;
};

} // namespace vt
