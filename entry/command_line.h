// The command line as the screen-saver service hands it over, and the run mode it selects.
#pragma once

#include <string>
#include <vector>

namespace fellridge::entry {

// The arguments after the program's path, joined with single blanks.
std::string joinArguments(int argc, const char* const* argv);

// Splits a command line into parameters: runs of characters with codes 1 to 32 separate them;
// double quotes group characters (blanks included) into one parameter and are dropped.
std::vector<std::string> splitParameters(const std::string& commandLine);

enum class RunMode { None, Saver, Settings, PasswordChange };

// The run mode the first parameter selects, compared upper-cased (a to z only): "/S" as the
// whole parameter; "/C" or "/A" as the whole parameter or its first two characters. No
// parameter, or any other first parameter, is None. Later parameters are never read.
RunMode chooseRunMode(const std::vector<std::string>& parameters);

}  // namespace fellridge::entry
