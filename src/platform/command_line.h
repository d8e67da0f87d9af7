#pragma once

// Windows command lines: one string that holds the program and its arguments. The program part is
// read as CreateProcess reads it when given no separate program name, and the arguments are split as
// the C runtime of a Windows program splits them, so a child sees what it would see on Windows.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One way of reading the program part of a command line: the program name as written and the text
// that follows it (the arguments, not yet split). Both view the command line given.
struct ModuleCandidate {
    std::string_view name;
    std::string_view arguments;
};

// The readings of the program part, in the order Windows tries them. A quoted first token is the
// only reading. Unquoted, every prefix that ends before a blank is one, shortest first, so
// "c:\program files\sub dir\tool a" gives "c:\program", "c:\program files\sub", "c:\program files\sub
// dir\tool" and the whole line. Leading blanks are skipped; the line ends at its first NUL, as a C
// string would.
std::vector<ModuleCandidate> ModuleCandidates(std::string_view commandLine);

// Splits arguments as the current Windows C runtime does: blanks and tabs separate outside double
// quotes, a double quote toggles quoting, 2n backslashes before a quote give n backslashes and the
// quote toggles, 2n+1 give n backslashes and a literal quote, other backslashes are literal, and a
// doubled quote inside a quoted part gives one literal quote while quoting goes on. "" alone is an
// empty argument. Stops at the first NUL.
std::vector<std::string> SplitArguments(std::string_view arguments);

// The inverse of SplitArguments: quotes each argument only where needed, so that splitting the
// result gives the same arguments back.
std::string QuoteArgument(std::string_view argument);
std::string JoinArguments(const std::vector<std::string>& arguments);

}  // namespace platform
