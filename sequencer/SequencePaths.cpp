#include "sequencer/SequencePaths.h"

#include <vector>

std::string ShortenPath(const std::string& path, int maxWidth, const std::function<int(const std::string&)>& width) {
    if (width(path) <= maxWidth) return path;
    const std::size_t lastSlash = path.rfind('/');
    if (lastSlash == std::string::npos) return path;
    const std::string name = path.substr(lastSlash + 1);
    const std::string root = path[0] == '/' ? "/" : "";
    // The folders between the root and the file name.
    std::vector<std::string> folders;
    std::size_t start = root.size();
    while (start < lastSlash) {
        const std::size_t slash = path.find('/', start);
        if (slash > start) folders.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    for (std::size_t dropped = 1; dropped <= folders.size(); ++dropped) {
        std::string text = root + ".../";
        for (std::size_t i = dropped; i < folders.size(); ++i) text += folders[i] + "/";
        text += name;
        if (width(text) <= maxWidth) return text;
    }
    const std::string noRoot = ".../" + name;
    if (!root.empty() && width(noRoot) <= maxWidth) return noRoot;
    return name;
}
