#pragma once
// Internal to the store: the "C" locale for the current thread, for the span
// of a call into a C library that formats or parses numbers with the C
// library's locale (libmdb, shapelib). The program may run under a locale
// that writes decimal commas; uselocale changes this thread only, unlike
// setlocale.

#include <locale.h>

namespace store::detail {

// The "C" locale, made once and kept for the life of the process, as
// newlocale's objects are meant to be; null if it could not be made.
inline locale_t CLocale() {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return c;
}

class CLocaleScope {
public:
    CLocaleScope() : previous_(CLocale() ? ::uselocale(CLocale()) : nullptr) {}
    ~CLocaleScope() {
        if (previous_) ::uselocale(previous_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

}  // namespace store::detail
