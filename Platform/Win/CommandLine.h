// The command line: arguments arrive as UTF-8 and are converted to code
// page 1250 once, at the top of main, before anything reads them. What a
// program echoes of them goes back through the console conversion.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace win {

// An argument that cannot be taken: not valid UTF-8, or holding a character
// that code page 1250 lacks (which would otherwise become '?' and could match
// another text). what() is code page 1250 and names the argument by its
// number and its text, each fault shown as '?'.
class CommandLineError : public std::runtime_error {
public:
    CommandLineError(int index, const std::string& text);
    int GetIndex() const { return m_index; }  // 1 = argv[1]

private:
    int m_index;
};

// argv[0..argc-1] in code page 1250. argv[0], the program's own path, is
// converted as far as it goes; every other argument must arrive whole, else
// CommandLineError for the first one that does not.
std::vector<std::string> CommandLineArguments(int argc, const char* const* argv);

}  // namespace win
