#include "core/desktop/links.h"

#include "core/desktop/product_info.h"

namespace vt::links {

std::string support_mail() {
    const std::string body =
        std::string(ProductInfo::product_name) + " Version " + ProductInfo::version_number();
    return std::string("mailto:") + kSupportMail + "?subject=Vantorel support&body=" + body;
}

std::string information_mail() {
    return std::string("mailto:") + kInformationMail +
           "?subject=Vantorel support&body=I have the following questions and comments "
           "regarding Vantorel";
}

std::string web_site() {
    return std::string("http://") + kWebAddress;
}

} // namespace vt::links
