#pragma once
#include "core/list/copy_list.h"

#include <random>
#include <string>

namespace vt::test {

// Field texts as users and old lists have them: quotes, commas, blanks, and bytes
// 0x80 to 0xFF that are no UTF-8 (a list written in a Windows code page), with
// valid UTF-8 letters among them. No line breaks: no list line can hold one.
inline std::string generated_field(std::mt19937& random, int max_length) {
    static const std::string ascii = "abcXYZ019 ,.*?/\\-_:;'()[]~!$%&\"";
    std::string text;
    const int n = static_cast<int>(random() % static_cast<unsigned>(max_length + 1));
    for (int i = 0; i < n; ++i) {
        switch (random() % 4) {
        case 0:
            text += static_cast<char>(0x80 + random() % 0x80);
            break;
        case 1:
            text += "\xC3\xA9"; // é
            break;
        default:
            text += ascii[random() % ascii.size()];
        }
    }
    return text;
}

inline CopyLine generated_line(std::mt19937& random) {
    return {generated_field(random, 40), generated_field(random, 10), generated_field(random, 40),
            generated_field(random, 3), generated_field(random, 3)};
}

} // namespace vt::test
