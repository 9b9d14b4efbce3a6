#pragma once
#include <string>

namespace vt {

// The product's identity, shown by the about box and named in the support mail.
struct ProductInfo {
    static constexpr const char* product_name = "Vantorel";
    static constexpr int major_version = 1;
    static constexpr int minor_version = 0;
    static constexpr const char* release = "a";
    static constexpr const char* build_suffix = "";
    // The reverse-DNS application id under the product's own example domain: the name
    // of its menu entry, metainfo, icons and scheduled-run units.
    static constexpr const char* app_id = "example.vantorel.Vantorel";

    // "1.0a"
    static std::string version_number() {
        return std::to_string(major_version) + "." + std::to_string(minor_version) + release;
    }
};

} // namespace vt
