#pragma once
// INI files (the settings file and the configuration files) and the safe
// replacement of a file on disk.
//
// Section and key names are matched without regard to case; sections and
// keys keep their order; values are written as "key=value" with LF line
// ends; CR LF and LF files are both read.

#include <memory>
#include <stdexcept>
#include <string>

// A file that could not be written; what() is the text shown to the user,
// "Impossible d'écrire dans <path>".
class TFileWriteError : public std::runtime_error {
public:
    explicit TFileWriteError(const std::string& path);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Replaces the file at path with contents: they are written to a temporary
// file in the same folder, flushed to disk and renamed over the old file, so
// that a failure at any point leaves the previous file whole. A symbolic
// link is followed (its target is replaced) and an existing file keeps its
// permissions. Throws TFileWriteError on failure.
void WriteFileAtomically(const std::string& path, const std::string& contents);

class TIniFile {
public:
    TIniFile();
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    // Reads the file at path, replacing what was held. A missing file gives
    // an empty INI and true; a file that exists but cannot be read gives an
    // empty INI and false.
    bool Load(const std::string& path);
    // Reads INI text.
    void LoadText(const std::string& text);

    // The value of a key, or def when the section or key is absent.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // The value of a key read as a whole decimal integer, or def when it is
    // absent or is not one.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool SectionExists(const std::string& section) const;

    // Sets a key: an existing key keeps its place, a new key is added at the
    // end of its section and a new section at the end of the file. Line
    // breaks in the value would start new lines in the file, so they are
    // written as blanks.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);

    // The INI text as it would be written.
    std::string Text() const;
    // Writes the INI text to path with WriteFileAtomically (throws
    // TFileWriteError).
    void Save(const std::string& path) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
