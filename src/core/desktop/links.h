#pragma once
#include <string>

// The outside addresses of the program and the links composed from them.
namespace vt::links {

inline constexpr const char* kSupportMail = "support@vantorel.example";
inline constexpr const char* kInformationMail = "info@vantorel.example";
inline constexpr const char* kWebAddress = "www.vantorel.example";

// "mailto:<support>?subject=Vantorel support&body=Vantorel Version 1.0a" (nothing encoded)
std::string support_mail();
// "mailto:<information>?subject=Vantorel support&body=I have the following ..."
std::string information_mail();
// "http://" + the web address
std::string web_site();

} // namespace vt::links
