#pragma once
// Reading a text file whole without blocking, and replacing a file safely.

#include <stdexcept>
#include <string>

// A file that could not be written; what() is the text shown to the user,
// "Impossible d'écrire dans <path>", and Reason() says why when the program
// itself refused to write (empty otherwise).
class TFileWriteError : public std::runtime_error {
public:
    explicit TFileWriteError(const std::string& path, const std::string& reason = {});
    const std::string& Path() const { return path_; }
    const std::string& Reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

// What reading a file gave.
enum class TFileReadStatus {
    Read,        // read in full
    Missing,     // no such file: the defaults apply, as for an empty file
    NotRegular,  // a folder, a FIFO, a device...: not opened for reading
    Unreadable,  // exists but could not be read (permissions, I/O error)
    NotText,     // read, but binary or far too large to be an INI file
};

// True when the file was read in full or does not exist: what it holds (or
// its absence) may be relied on, and writing the file back loses nothing.
inline bool ReadInFull(TFileReadStatus s) {
    return s == TFileReadStatus::Read || s == TFileReadStatus::Missing;
}

// What went wrong, to follow the file's name or "it" in a message: "is not
// a regular file", "cannot be read", "does not look like an INI text file";
// empty when ReadInFull.
std::string FileReadProblem(TFileReadStatus s);

// Reads a whole text file into data (empty unless Read). Only a regular
// file is opened, and it is opened so that a FIFO swapped in meanwhile
// cannot block. A file is taken for text when at most one byte in sixteen is
// a control character other than TAB, CR and LF (a NUL in a value is fine; a
// picture, a program, UTF-16 text or a file zeroed by a crash is not) and it
// is no larger than a few megabytes.
TFileReadStatus ReadTextFile(const std::string& path, std::string& data);

// Replaces the file at path with contents: they are written to a temporary
// file in the same folder, flushed to disk and renamed over the old file, so
// that a failure at any point leaves the previous file whole. A symbolic
// link is followed (its target is replaced), an existing file keeps its
// permissions, and a path that names something other than a regular file is
// refused. The temporary file is named after the file and the writing
// process; temporaries that a killed writer left behind are removed by the
// next write of the same file. Throws TFileWriteError on failure.
void WriteFileAtomically(const std::string& path, const std::string& contents);

// Makes a new file at path holding contents in one step, so that a reader
// sees either no file or all of it: written to a temporary file beside it,
// flushed, then renamed into place only if nothing is there. Never replaces
// anything: when path exists the result is EEXIST and nothing changes.
// Returns 0 or the error number.
int CreateFileAtomically(const std::string& path, const std::string& contents);
