#pragma once
// The checks every numeric option of every command gets, whatever its
// meaning: the text is a number at all (not empty, which the option parser
// would take as 0), a whole number for a count, in range for its type, and
// finite. What a single option allows beyond that is said where it is
// declared, with the bounds below. A text option is not empty either,
// unless its declaration says that empty has a meaning of its own.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace ztcli {

// Adds the checks to every numeric and text option of app and its commands.
void GuardNumberOptions(CLI::App& app);

// For the declaration of a text option whose empty text means something.
CLI::Validator EmptyAllowed();

// A bound for an option's declaration: 0 or more.
CLI::Validator NotNegative();

// names as a user reads a choice among them: "a, b or c".
std::string Choices(const std::vector<std::string>& names);

// A bound for a text option's declaration: one of names.
CLI::Validator OneOf(const std::vector<std::string>& names);

}  // namespace ztcli
