#pragma once
#include "core/platform/desktop_services.h"

#include <QPointer>

class QWidget;

namespace vt {

class HelpWindow;

// Hands documents and addresses to the desktop (QDesktopServices) and shows help in
// the program's help window.
class QtDesktopServices final : public DesktopServices {
public:
    // The manual is looked for once, beside the program; without it help shows nothing.
    explicit QtDesktopServices(QWidget* owner);
    // With the manual's path given (empty: no manual).
    QtDesktopServices(QWidget* owner, std::string manual_path);
    ~QtDesktopServices() override;
    void open_url(const std::string& url) override;
    void open_document(const std::string& path) override;
    void show_help(const std::string& keyword) override;

    // The help window, once a topic has been shown.
    HelpWindow* help_window() const;

private:
    QWidget* owner_;
    std::string manual_;
    QPointer<HelpWindow> help_;
};

} // namespace vt
