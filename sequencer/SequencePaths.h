#pragma once
// Shortening a file's full path to fit a width, for the sequence list.

#include <functional>
#include <string>

// The path as shown in maxWidth (measured by width): the path itself when it
// fits; otherwise the root ("/") and the file name are kept and the leading
// folders are replaced by ".../" one at a time (/a/b/c/x.sqc becomes
// /.../b/c/x.sqc, then /.../c/x.sqc, then /.../x.sqc); then the root goes
// too (.../x.sqc); after that the bare file name is used.
std::string ShortenPath(const std::string& path, int maxWidth, const std::function<int(const std::string&)>& width);
