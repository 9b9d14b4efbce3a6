#pragma once
#include <ostream>

namespace vt::test {

// The Introduction group's two flags, as a test expects them.
struct IntroFlags {
    bool first, show;
    bool operator==(const IntroFlags&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const IntroFlags& f) {
    return os << "{first " << f.first << ", show " << f.show << "}";
}

} // namespace vt::test
