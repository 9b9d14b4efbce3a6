#pragma once
#include "platform/desktop_services.h"

class QWidget;

namespace vt {

// Hands documents and addresses to the desktop (QDesktopServices) and shows help.
class QtDesktopServices final : public DesktopServices {
public:
    explicit QtDesktopServices(QWidget* owner) : owner_(owner) {}
    void open_url(const std::string& url) override;
    void open_document(const std::string& path) override;
    void show_help(const std::string& keyword) override;

private:
    QWidget* owner_;
};

} // namespace vt
