// The text mode that the programs' input must show, written the plain way for tests to compare
// with: each CR directly before an LF dropped, every other byte kept.
#pragma once

#include <string>

namespace testkit {

inline std::string fold_crlf(const std::string& raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text += raw[i];
    }
    return text;
}

}  // namespace testkit
