// SPDX-License-Identifier: MIT
// NamePattern on Linux: lists hold the names' bytes as they are, so the mask matcher of the
// walk applies unchanged.
#include <string>

#include "platform/NamePattern.h"
#include "platform/linux/MaskMatcher.h"

namespace dirscribe::platform {

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

class MaskPattern final : public NamePattern {
  public:
    explicit MaskPattern(std::string_view mask) : matcher_(mask) {
        // "*.iso" and its like, the usual question, are answered by comparing the name's end
        // when that end is ASCII (then the matcher would fold it the same way).
        const std::string_view rest = mask.substr(mask.empty() ? 0 : 1);
        suffixOnly_ = mask.size() > 1 && mask[0] == '*' &&
                      rest.find_first_of("*?") == std::string_view::npos &&
                      !(rest.size() >= 2 && rest.substr(rest.size() - 2) == ".*");
        for (const char c : rest) {
            if (static_cast<unsigned char>(c) >= 0x80) suffixOnly_ = false;
            suffix_ += AsciiLower(c);
        }
    }

    bool Matches(std::string_view name) const override {
        if (suffixOnly_ && name.size() >= suffix_.size()) {
            const std::string_view end = name.substr(name.size() - suffix_.size());
            bool ascii = true;
            bool same = true;
            for (std::size_t i = 0; i < end.size(); ++i) {
                ascii = ascii && static_cast<unsigned char>(end[i]) < 0x80;
                same = same && AsciiLower(end[i]) == suffix_[i];
            }
            if (ascii) return same;
        }
        return matcher_.Matches(name);
    }

  private:
    linuxos::MaskMatcher matcher_;
    bool suffixOnly_ = false;
    std::string suffix_;  // the mask after its "*", lower case
};

}  // namespace

std::unique_ptr<NamePattern> MakeMaskPattern(std::string_view mask) {
    return std::make_unique<MaskPattern>(mask);
}

std::string_view ListTextAsUtf8(std::string_view text, std::string& /*scratch*/) {
    return text;
}

}  // namespace dirscribe::platform
