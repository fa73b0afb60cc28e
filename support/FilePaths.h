#pragma once
// Paths of files: the separator, a configuration file's base name, the
// running program's file, changing an extension, and whether two paths name
// one file.

#include <string>

// Paths are 8-bit texts (UTF-8 here) with "/" as the folder separator.

// The folder separator of this platform.
inline constexpr char PathSeparator = '/';

// The file name of a path without its folder and without its extension,
// whose text is removed where it first occurs in the name (bench.cfg ->
// bench, a.cfg.cfg -> a.cfg, x.cfgy.cfg -> xy.cfg); empty for an empty path.
std::string ConfigFileBaseName(const std::string& path);

// Full path of the running program file; empty when it cannot be found.
std::string ProgramFilePath();

// path with its extension (from the last "." of the file name) replaced by
// ext, which includes its dot; an extension is appended when there is none.
std::string ChangeFileExt(const std::string& path, const std::string& ext);


// True when a and b name the same file: the same device and inode (a hard
// link, a symbolic link, "." and ".." or another spelling of one path), or,
// for paths that cannot be looked at, the same canonical path. Letter case
// counts wherever the filesystem counts it: a.sqc and A.sqc are two files on
// most filesystems here, one on a case-blind one.
bool SameFile(const std::string& a, const std::string& b);
