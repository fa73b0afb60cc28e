#pragma once
// INI files (the settings file and the configuration files).
//
// Section and key names are matched without regard to case. The text of a
// file is kept as it was read: setting a key rewrites that key's line only,
// so comments, blank lines, foreign keys and their spacing, the order of
// everything and the file's line ends (CR LF or LF) stay as they were. A NUL
// byte is a byte like any other: it neither ends the reading nor the text.

#include <memory>
#include <stdexcept>
#include <string>

#include "support/TextFiles.h"

class TIniFile {
public:
    TIniFile();
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    // Reads the file at path, replacing what was held; unless the file was
    // read in full, nothing is held afterwards. Never blocks: a FIFO or a
    // device is refused without being read.
    TFileReadStatus Load(const std::string& path);
    // Reads INI text.
    void LoadText(const std::string& text);

    // The value of a key, or def when the section or key is absent.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // The value of a key read as a whole decimal integer, or def when it is
    // absent or is not one.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool SectionExists(const std::string& section) const;

    // Sets a key: every line of an existing key is rewritten in place (its
    // indentation and spelling kept), a new key is added after the last key
    // of its section and a new section at the end of the file. Line breaks
    // in the value would start new lines in the file, so they are written
    // as blanks.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);

    // The INI text as it would be written.
    const std::string& Text() const;
    // Writes the INI text to path with WriteFileAtomically (throws
    // TFileWriteError).
    void Save(const std::string& path) const;

private:
    void Parse();

    struct Impl;
    std::unique_ptr<Impl> impl_;
};
