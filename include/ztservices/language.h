#pragma once
// The language of the texts the library shows and writes for people:
// progress captions, messages, the area and accuracy reports, the legend's
// default names. "zh" gives the system's own Chinese texts, "en" their
// English versions. Files that programs read back (statistics files, class
// records, band notes) are the same in every language.
//
// Until a host chooses, the language follows the environment as gettext
// would pick a catalogue: a non-empty LC_ALL, else LC_MESSAGES, else LANG
// names the locale; in the "C"/"POSIX" locale (or none) texts are English;
// otherwise a non-empty LANGUAGE, a colon-separated list, decides by its
// first entry that is Chinese ("zh...") or English ("en..."), and English
// when none is; without LANGUAGE a Chinese locale ("zh...") gives Chinese.
// The locale need not be installed on the machine.
#include "ztservices/export.h"

// Sets the language: "zh" (or any "zh..." name) for Chinese, anything else
// for English; null returns to the environment's choice.
ZTSERVICES_API void ztSetLanguage(const char* language);

// "zh" or "en": the language in force.
ZTSERVICES_API const char* ztGetLanguage();

// "zh" or "en": the language the environment asks for (see above).
ZTSERVICES_API const char* ztLocaleLanguage();
