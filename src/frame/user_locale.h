#pragma once
// The user's locale (what setlocale(LC_ALL, "") would choose) for the
// calling thread while one is in scope. Files that are read and written in
// the user's locale (class files, check points) are read so without
// touching the process's locale, which other threads of the host may be
// using at the same time.
#include <clocale>
#include <locale.h>

namespace zt {

// A locale for the calling thread while one is in scope; none (the
// thread's own stays) when the locale could not be made.
class ThreadLocale {
 public:
  explicit ThreadLocale(locale_t locale) : active_(locale != static_cast<locale_t>(0)) {
    if (active_) previous_ = uselocale(locale);
  }
  ~ThreadLocale() {
    if (active_) uselocale(previous_);
  }
  ThreadLocale(const ThreadLocale&) = delete;
  ThreadLocale& operator=(const ThreadLocale&) = delete;

 private:
  bool active_;
  locale_t previous_ = static_cast<locale_t>(0);
};

// The locales below are made once and kept for the process's life: threads
// only read a locale object, while making and freeing them on many threads
// at once churns the C library's shared locale data for nothing.
class UserLocale : public ThreadLocale {
 public:
  UserLocale() : ThreadLocale(Shared()) {}

 private:
  static locale_t Shared() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
    return locale;
  }
};

// The C locale for the calling thread while one is in scope: the numbers of
// the reports the library writes read the same (a point before the
// decimals) whatever locale the host process has set, as Python's
// locale.setlocale or QGIS set it.
class CLocale : public ThreadLocale {
 public:
  CLocale() : ThreadLocale(Shared()) {}

 private:
  static locale_t Shared() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
  }
};

}  // namespace zt
