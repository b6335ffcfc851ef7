// Text files the programs read (schemas, scripts, link lists): UTF-8 on
// disk, converted once to code page 1250 as they are loaded, so that
// everything after works on the system's own text.
#pragma once

#include <cstddef>
#include <fstream>
#include <istream>
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

// One read(2) of standard input into buffer, size bytes at most: the number
// read, 0 at its end (an interrupted read is tried again). A read that fails
// raises TextFileError: "standard input is a directory, not a file" (a
// directory given with "<", which a stream would take for an empty input)
// or "standard input cannot be read: <the system's reason>".
size_t ReadStandardInput(char* buffer, size_t size);

// Standard input as a stream, for a program that reads it piece by piece
// (the CSV of "lurdbadm load -" and "lurvehgen summary -"), read through
// ReadStandardInput: a failed read raises its TextFileError from the
// stream's call instead of passing for the end of the input.
std::istream& StandardInput();

}  // namespace win
