// SqlTextFile: how the SQL session reads script and import files. Files are
// UTF-8 on disk, as every file the project's tools read, and are converted
// once to code page 1250 as they are loaded; a session set to code page 1250
// takes the bytes as they are, as the original platform wrote them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

enum class SqlFileEncoding { Utf8, Cp1250 };

// Which file a script is, whatever name reached it ("a.sql", "./a.sql", a
// link): its device and inode, both 0 when unknown.
struct SqlFileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;

    bool Known() const { return device != 0 || inode != 0; }
    bool operator==(const SqlFileIdentity&) const = default;
};

struct SqlTextFile {
    enum Fault { kNone, kCannotOpen, kReadError, kBadText };

    std::string text;  // code page 1250; empty unless fault is kNone
    Fault fault = kNone;
    // What messages say of a fault: the file and why it cannot be used (the
    // system's reason, "is a directory", "is empty", longer than a stream
    // may be, or the byte offset of bad text or a NUL byte).
    std::string faultText;
    SqlFileIdentity identity;  // of a file read (not of text decoded from elsewhere)
};

// The whole file (path in code page 1250, in the library's path grammar).
// A pipe, a FIFO or a device (/dev/stdin, a bash "<(...)") is read to its
// end, at most win::kMaxStreamBytes. A file that cannot be opened, that
// reads no byte (an empty file included), that holds a NUL byte, or
// (UTF-8) bytes that are not UTF-8 or a character code page 1250 lacks, or
// a stream longer than the bound, gives its fault and no text: nothing of
// it may run. A leading UTF-8 byte-order mark is dropped.
SqlTextFile ReadSqlTextFile(const std::string& path, SqlFileEncoding encoding);
// A stream read to its end by readBlock (win::ReadToEnd's rules; standard
// input) and converted as a file; name stands for it in the fault text. No
// byte at all is an empty text, not a fault.
SqlTextFile ReadSqlTextStream(const std::function<long long(char*, size_t)>& readBlock, SqlFileEncoding encoding,
                              const std::string& name);
// The same conversion of bytes read elsewhere; name stands for the file in
// the fault text.
SqlTextFile DecodeSqlText(std::string bytes, SqlFileEncoding encoding, const std::string& name);
