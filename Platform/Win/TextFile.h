// Text files the programs read (schemas, scripts, link lists): UTF-8 on
// disk, converted once to code page 1250 as they are loaded, so that
// everything after works on the system's own text.
#pragma once

#include <fstream>
#include <stdexcept>
#include <string>

namespace win {

// A text file that cannot be taken: unreadable, a directory, not valid UTF-8
// or holding a character code page 1250 lacks. what() is code page 1250 and
// names the file (and the byte offset of a fault in its text).
class TextFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole file at path (code page 1250, as taken from the command line) in
// code page 1250. A leading byte-order mark is dropped. Nothing of a file
// with a fault is returned: TextFileError instead.
std::string ReadUtf8TextFile(const std::string& path);

// The file at path (code page 1250) opened for reading as it is, for a
// program that reads it piece by piece. TextFileError for a directory
// ("<path> is a directory, not a file") or a file that cannot be opened
// ("cannot read <path>: <the system's reason>").
std::ifstream OpenInputFile(const std::string& path);

// TextFileError "<path> is a directory, not a file" when path (code page
// 1250) names a directory: the system's own answer for one ("Access is
// denied", or an open that succeeds and reads nothing) misleads.
void RefuseDirectory(const std::string& path);

}  // namespace win
