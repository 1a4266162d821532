// SPDX-License-Identifier: MIT
// NamePattern on Windows: lists are in the ANSI code page, so names and the pattern are
// compared as UTF-16 text, upper-cased as the file system compares names.
#include <windows.h>

#include <string>

#include "platform/NamePattern.h"
#include "platform/win32/WinText.h"

namespace dirscribe::platform {

namespace {

std::wstring FromCodePage(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength > 0 ? wideLength : 0), L'\0');
    if (wideLength > 0)
        MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), wideLength);
    return wide;
}

std::wstring Upper(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// '*' any run of characters, '?' exactly one.
bool Wildcard(std::wstring_view mask, std::wstring_view name) {
    std::size_t m = 0, n = 0, starM = std::wstring_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == L'?' || mask[m] == name[n])) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == L'*') {
            starM = m++;
            starN = n;
        } else if (starM != std::wstring_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == L'*') ++m;
    return m == mask.size();
}

class MaskPattern final : public NamePattern {
  public:
    explicit MaskPattern(std::string_view mask) : mask_(Upper(win32::Wide(mask))) {}
    bool Matches(std::string_view name) const override {
        if (mask_.empty()) return false;
        const std::wstring wide = Upper(FromCodePage(name, CP_ACP));
        if (Wildcard(mask_, wide)) return true;
        // As the file system does: "*.*" matches every name, "a*.*" also "abc".
        return mask_.size() >= 2 && mask_.compare(mask_.size() - 2, 2, L".*") == 0 &&
               Wildcard(std::wstring_view(mask_).substr(0, mask_.size() - 2), wide);
    }

  private:
    std::wstring mask_;
};

}  // namespace

std::unique_ptr<NamePattern> MakeMaskPattern(std::string_view mask) {
    return std::make_unique<MaskPattern>(mask);
}

std::string_view ListTextAsUtf8(std::string_view text, std::string& scratch) {
    scratch = win32::Utf8(FromCodePage(text, CP_ACP));
    return scratch;
}

}  // namespace dirscribe::platform
