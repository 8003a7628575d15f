// A small pattern check for texts with numbers and addresses in them: in the pattern '#' is one
// decimal digit and '@' a run of lower-case hex digits; every other character stands for itself.
#pragma once

#include <string>

namespace qtest {

inline bool matchesPattern(const std::string& text, const std::string& pattern, bool wholeText = true)
{
    auto isHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    std::size_t t = 0;
    for (char p : pattern) {
        if (p == '#') {
            if (t >= text.size() || text[t] < '0' || text[t] > '9')
                return false;
            ++t;
        } else if (p == '@') {
            const std::size_t start = t;
            while (t < text.size() && isHex(text[t]))
                ++t;
            if (t == start)
                return false;
        } else {
            if (t >= text.size() || text[t] != p)
                return false;
            ++t;
        }
    }
    return !wholeText || t == text.size();
}

} // namespace qtest
