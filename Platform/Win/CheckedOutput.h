// CheckedOutput: the data a program writes (its standard output, or a file
// it makes) with every write, the last flush and the close checked, so that
// output lost on a full disk is a failure the program reports, not a cut
// file and a success.
//
// The first failure is kept with the errno of the call that failed, taken
// at once: glibc loses that errno once a failed flush has discarded the
// buffer (a later fflush then answers 0 and only the stream's error flag
// is left), so asking at the end is too late. Close's flush and the error
// flag are the fallback for a failure no call answered (EIO then, when
// there is no errno to tell). After a failure nothing more is written (the
// output is lost anyway) and every later write answers false, so a program
// may go on with its work and report the failure once, at the end.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace win {

class CheckedOutput {
public:
    // A stream already open for writing, named in messages as name
    // ("standard output", a file's path). The object takes it: Close (or,
    // unchecked, the destructor) closes it with fclose.
    CheckedOutput(std::FILE* stream, std::string name);
    // The file at path (as on disk, UTF-8) created anew, or emptied, for
    // writing and named by its path; a failed open is the first failure.
    static CheckedOutput Create(const std::string& path);
    // The file open for writing on descriptor fd (which the object takes),
    // named as name; a negative fd is a failed open, errno its reason, and
    // the first failure.
    static CheckedOutput Adopt(int fd, std::string name);
    // Closes a stream that Close has not closed, without a check: a program
    // that wants the outcome calls Close.
    ~CheckedOutput();
    CheckedOutput(CheckedOutput&& other) noexcept;
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;
    CheckedOutput& operator=(CheckedOutput&&) = delete;

    // Writes the bytes (buffered as the stream is); false when they or an
    // earlier write could not be written, or the stream is closed.
    bool Write(std::string_view bytes);
    // printf's formatting of the arguments, written as Write does.
    bool Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Hands the buffered bytes to the system; false on a failure, now or earlier.
    bool Flush();
    // Flushes and closes the stream (the first Close; later ones only
    // answer); true when everything written reached the system and the
    // close succeeded. Nothing is written after it.
    bool Close();

    bool Failed() const { return m_error != 0; }
    // The errno of the first failure, 0 while there is none.
    int Error() const { return m_error; }
    const std::string& Name() const { return m_name; }
    // "cannot write <name>: <the system's text of the errno>", "" while
    // nothing failed.
    std::string FailureText() const;

private:
    // Keeps err (EIO for 0) as the failure unless one is kept already; false.
    bool Fail(int err);

    std::FILE* m_stream;
    std::string m_name;
    int m_error = 0;
};

// The process's standard output (stdout), named "standard output": the one
// object every part of a program writes its data through. A program closes
// it at the end and reports the failure it answers; one that does not
// leaves stdout to the exit's own flush, unchecked.
CheckedOutput& StandardOutput();

// Closes standard output at the end of a program: when what was written to
// it did not all get there, says so once on standard error ("<program>:
// cannot write standard output: <reason>") and answers failedStatus for a
// status of 0; otherwise, or for a status that tells a failure already, the
// status.
int CloseStandardOutput(const char* program, int status, int failedStatus = 1);

// Makes a write past the process's file-size limit ("ulimit -f") fail with
// EFBIG, "File too large", which the program reports and cleans up after as
// any failed write, instead of the signal (SIGXFSZ) that would end it with
// a cut file, no word and its temporary files left. Each program's main
// calls it first.
void FailWritesPastFileSizeLimit();

}  // namespace win
