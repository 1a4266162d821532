// SPDX-License-Identifier: MIT
// RegexPattern: regular expressions through RE2, which matches in time linear in the text and
// without recursion, so that neither a crafted expression nor a name of any length can hang
// the search or overflow the stack.
#include <re2/re2.h>

#include "platform/NamePattern.h"

namespace dirscribe::platform {

namespace {

// Enough for any expression a person types; a larger one is refused, not compiled.
constexpr std::int64_t kProgramMemory = std::int64_t{8} << 20;

class RegexPattern final : public NamePattern {
  public:
    explicit RegexPattern(std::string_view expression) : regex_(expression, Options()) {
        if (!regex_.ok()) throw PatternError(regex_.error());
    }

    bool Matches(std::string_view name) const override {
        std::string scratch;
        return RE2::PartialMatch(ListTextAsUtf8(name, scratch), regex_);
    }

  private:
    static RE2::Options Options() {
        RE2::Options options;
        options.set_case_sensitive(false);
        options.set_log_errors(false);
        options.set_max_mem(kProgramMemory);
        return options;
    }

    RE2 regex_;
};

}  // namespace

std::unique_ptr<NamePattern> MakeRegexPattern(std::string_view expression) {
    return std::make_unique<RegexPattern>(expression);
}

}  // namespace dirscribe::platform
