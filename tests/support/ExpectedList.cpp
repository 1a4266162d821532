// Expected lists with their placeholders put in.
#include "support/ExpectedList.h"

namespace dirscribe::test {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string ExpectedList(const std::string& name, const std::string& start,
                         const std::string& driveLess, const std::string& sep) {
    const std::string text = ReadFile(ExpectedListFile(name));
    return ReplaceAll(ReplaceAll(ReplaceAll(text, "{START}", start), "{DRIVELESS}", driveLess),
                      "{SEP}", sep);
}

}  // namespace dirscribe::test
