// NamePattern on Linux: lists hold the names' bytes as they are, so the mask matcher of the
// walk applies unchanged.
#include <regex>
#include <string>

#include "platform/NamePattern.h"
#include "platform/posix/MaskMatcher.h"

namespace dirscribe::platform {

namespace {

class MaskPattern final : public NamePattern {
  public:
    explicit MaskPattern(std::string_view mask) : matcher_(mask) {}
    bool Matches(std::string_view name) const override { return matcher_.Matches(name); }

  private:
    posix::MaskMatcher matcher_;
};

class RegexPattern final : public NamePattern {
  public:
    explicit RegexPattern(std::string_view expression)
        : regex_(std::string(expression), std::regex::ECMAScript | std::regex::icase) {}
    bool Matches(std::string_view name) const override {
        return std::regex_search(name.begin(), name.end(), regex_);
    }

  private:
    std::regex regex_;
};

}  // namespace

std::unique_ptr<NamePattern> MakeMaskPattern(std::string_view mask) {
    return std::make_unique<MaskPattern>(mask);
}

std::unique_ptr<NamePattern> MakeRegexPattern(std::string_view expression) {
    return std::make_unique<RegexPattern>(expression);
}

}  // namespace dirscribe::platform
