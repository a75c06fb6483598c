#include "ztservices/language.h"

#include <atomic>
#include <cstdlib>
#include <string_view>

namespace {

constexpr const char* kChinese = "zh";
constexpr const char* kEnglish = "en";

// -1: follow the environment; 0: English; 1: Chinese.
std::atomic<int> g_choice{-1};

std::string_view Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

const char* ztLocaleLanguage() {
  std::string_view locale = Variable("LC_ALL");
  if (locale.empty()) locale = Variable("LC_MESSAGES");
  if (locale.empty()) locale = Variable("LANG");
  // gettext ignores LANGUAGE in the C locale, whose texts are the program's
  // source texts: English here.
  if (locale.empty() || locale == "C" || locale == "POSIX") return kEnglish;
  // A LANGUAGE list of languages without texts here (fr:de) leaves the
  // locale's language in force.
  for (std::string_view list = Variable("LANGUAGE"); !list.empty();) {
    const size_t colon = list.find(':');
    const std::string_view entry = list.substr(0, colon);
    if (StartsWith(entry, "zh")) return kChinese;
    if (StartsWith(entry, "en")) return kEnglish;
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
  }
  return StartsWith(locale, "zh") ? kChinese : kEnglish;
}

void ztSetLanguage(const char* language) {
  g_choice = !language ? -1 : StartsWith(language, "zh") ? 1 : 0;
}

const char* ztGetLanguage() {
  const int choice = g_choice;
  if (choice < 0) return ztLocaleLanguage();
  return choice == 1 ? kChinese : kEnglish;
}
