#include "support/VersionTitle.h"

#include "support/AttVersion.h"
#include "support/TextFields.h"

TVersionInfo ProgramVersionInfo() {
    TVersionInfo info;
    info.present = true;
    info.fileVersion = ATT_VERSION_TEXT;
    info.description = ATT_DESCRIPTION_TEXT;
    info.legalNotice = ATT_LEGAL_NOTICE_TEXT;
    return info;
}

namespace {

// The leading decimal number of a version field; 0 when it has none.
int VersionNumber(const std::string& field) {
    long n = 0;
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9' && n < 100000; ++i) n = n * 10 + (field[i] - '0');
    return static_cast<int>(n);
}

}  // namespace

std::string VersionTitle(const TVersionInfo& info) {
    if (!info.present) return {};
    std::string title;
    if (!info.fileVersion.empty()) {
        // Numbers are separated by "." or, in older version texts, by ",".
        std::string rest = info.fileVersion;
        const char sep = rest.find('.') != std::string::npos ? '.' : ',';
        const int major = VersionNumber(TakeField(rest, sep));
        const int minor = VersionNumber(TakeField(rest, sep));
        title = "v" + std::to_string(major) + "." + std::to_string(minor);
    }
    if (!info.description.empty()) title = title.empty() ? info.description : info.description + " - " + title;
    if (!info.legalNotice.empty()) title += (title.empty() ? "© " : " - © ") + info.legalNotice;
    return title;
}

std::string VersionTitle() {
    return VersionTitle(ProgramVersionInfo());
}
