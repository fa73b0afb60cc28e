#include "support/HelpLocation.h"

#include "support/FilePaths.h"

#include <filesystem>
#include <system_error>

// The data folder relative to the program's folder, from the install
// layout (bin -> ../share/quadrell2x4atts); set by the build.
#ifndef ATT_DATA_FROM_BIN
#define ATT_DATA_FROM_BIN "../share/quadrell2x4atts"
#endif

std::string FindHelpFile(const std::string& programPath) {
    if (programPath.empty()) return {};
    namespace fs = std::filesystem;
    const std::string beside = ChangeFileExt(programPath, ".html");
    const fs::path program(programPath);
    const fs::path installed = (program.parent_path() / ATT_DATA_FROM_BIN /
                                program.filename()).lexically_normal().replace_extension(".html");
    for (const fs::path& candidate : {fs::path(beside), installed}) {
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec)) return candidate.string();
    }
    return beside;
}
