#pragma once
// What the command line shows on stdout and stderr is UTF-8 text (its own
// messages, the library's captions and reports, class names read from
// files). A terminal set to a locale of another character set (zh_CN.GBK,
// zh_TW.BIG5, de_DE.ISO-8859-1) gets that text in its own character set;
// files the commands write are never converted.
#include <ostream>

namespace ztcli {

// From here on, std::cout and std::cerr write in the character set of the
// user's locale (LC_ALL, else LC_CTYPE, else LANG) when that is installed
// and neither UTF-8 nor the C locale's ASCII, which says nothing of the
// terminal; a character the set lacks becomes '?'. The names the user gave
// (the arguments, the work and home directories) are in that set already
// and pass as they are, as do other bytes that are not UTF-8.
void ShowInLocaleCharset(int argc, char** argv);

// Standard output as bytes, unconverted: for data that programs read (a
// CSV listing), which is UTF-8 in every locale.
std::ostream& DataOut();

}  // namespace ztcli
