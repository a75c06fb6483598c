#pragma once
// The user's locale (what setlocale(LC_ALL, "") would choose) for the
// calling thread while one is in scope. Files that are read and written in
// the user's locale (class files, check points) are read so without
// touching the process's locale, which other threads of the host may be
// using at the same time.
#include <clocale>
#include <locale.h>

namespace zt {

class UserLocale {
 public:
  UserLocale() : locale_(newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0))) {
    if (locale_) previous_ = uselocale(locale_);
  }
  ~UserLocale() {
    if (!locale_) return;
    uselocale(previous_);
    freelocale(locale_);
  }
  UserLocale(const UserLocale&) = delete;
  UserLocale& operator=(const UserLocale&) = delete;

 private:
  locale_t locale_;
  locale_t previous_ = static_cast<locale_t>(0);
};

}  // namespace zt
