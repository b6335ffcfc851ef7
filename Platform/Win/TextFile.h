// Text files the programs read (schemas, scripts, link lists): UTF-8 on
// disk, converted once to code page 1250 as they are loaded, so that
// everything after works on the system's own text.
#pragma once

#include <cstddef>
#include <fstream>
#include <functional>
#include <istream>
#include <stdexcept>
#include <string>

namespace win {

// The most bytes a stream (a pipe, a FIFO, a device, standard input) is read
// to, 256 MiB: it has no size to check beforehand, and some (/dev/zero) have
// no end.
inline constexpr size_t kMaxStreamBytes = size_t(256) << 20;

// What reading a stream gave.
struct StreamBytes {
    std::string bytes;
    bool tooLong = false;  // more than the limit came: the bytes are not all of it
    int error = 0;         // the errno of a read that failed, 0 when none did
};

// Reads a stream to its end, block by block: readBlock (buffer, size) gives
// how many bytes it read, 0 at the end, -1 with errno set when it failed
// (EINTR: read again). Stops after a block that holds a NUL byte: no text
// holds one, so what came is enough to refuse it (and /dev/zero ends at once).
StreamBytes ReadToEnd(const std::function<long long(char*, size_t)>& readBlock, size_t limit = kMaxStreamBytes);

// What a message says after the name of a stream longer than kMaxStreamBytes.
std::string TooLongStreamText();

// Why a read of name (code page 1250) failed with errno error, as the
// programs say it: "<name> is a directory, not a file" (the system's own
// answer for one, "Access is denied" or a read that gives nothing,
// misleads) or "<name> cannot be read: <the system's reason>".
std::string ReadFailureText(const std::string& name, int error);

// A text file that cannot be taken: unreadable, a directory, not valid UTF-8,
// holding a character code page 1250 lacks or a NUL byte, or a stream
// longer than kMaxStreamBytes. what() is code page 1250 and
// names the file (and the byte offset of a fault in its text).
class TextFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole file at path (code page 1250, as taken from the command line) in
// code page 1250. A leading byte-order mark is dropped. Nothing of a file
// with a fault is returned: TextFileError instead. A stream (a FIFO, a
// device) is read to its end, at most kMaxStreamBytes.
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
