#pragma once
// A locale for the calling thread while one is in scope, the process's own
// left alone: other threads of the host may be using it at the same time.
#include <clocale>
#include <locale.h>

namespace zt {

// The locale named kName, made once and kept for the process's life: threads
// only read a locale object, while making and freeing them on many threads
// at once churns the C library's shared locale data for nothing. None (the
// thread's own stays) when the locale could not be made.
template <const char* kName>
class ThreadLocale {
 public:
  ThreadLocale() : active_(Shared() != static_cast<locale_t>(0)) {
    if (active_) previous_ = uselocale(Shared());
  }
  ~ThreadLocale() {
    if (active_) uselocale(previous_);
  }
  ThreadLocale(const ThreadLocale&) = delete;
  ThreadLocale& operator=(const ThreadLocale&) = delete;

 private:
  static locale_t Shared() {
    static const locale_t locale = newlocale(LC_ALL_MASK, kName, static_cast<locale_t>(0));
    return locale;
  }

  bool active_;
  locale_t previous_ = static_cast<locale_t>(0);
};

// The user's locale (what setlocale(LC_ALL, "") would choose): files that
// are read and written in it (class files, check points).
inline constexpr char kUserLocaleName[] = "";
using UserLocale = ThreadLocale<kUserLocaleName>;

// The C locale: the numbers of the reports the library writes read the same
// (a point before the decimals) whatever locale the host process has set,
// as Python's locale.setlocale or QGIS set it.
inline constexpr char kCLocaleName[] = "C";
using CLocale = ThreadLocale<kCLocaleName>;

}  // namespace zt
