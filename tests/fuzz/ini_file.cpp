// Settings and configuration files as anyone may have edited them: read as
// a configuration and as the settings file, then every key the program
// keeps is written into the text and must read back as written, with the
// keys not written left as they were, both at once and after the text is
// read again.

#include "support/AppSettings.h"
#include "config/RackConfiguration.h"
#include "support/IniFile.h"

#include "FuzzSupport.h"

#include <utility>
#include <vector>

namespace {

using TKey = std::pair<std::string, std::string>;

const std::vector<TKey>& ProgramKeys() {
    static const std::vector<TKey> keys = [] {
        std::vector<TKey> k;
        for (const char* rack : {"rack1", "rack2"})
            for (const char* key : {"Att1 Enable", "Att2 Enable", "Att3 Enable", "Att4 Enable", "IP address", "name rack"})
                k.emplace_back(rack, key);
        k.emplace_back(SettingsSectionConfig, SettingsKeyLastConfigFile);
        k.emplace_back(SettingsSectionDir, SettingsKeyConfigDir);
        k.emplace_back(SettingsSectionDir, SettingsKeySequencesDir);
        return k;
    }();
    return keys;
}

const char* const kAbsent = "\x01" "absent";

std::vector<std::string> ReadAll(const TIniFile& ini) {
    std::vector<std::string> values;
    for (const auto& [section, key] : ProgramKeys()) values.push_back(ini.ReadString(section, key, kAbsent));
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024) return 0;
    static TMemoryFile file("settings.ini");
    const std::string& path = file.Write(data, size);
    LoadConfigFile(path);
    TAppSettings settings;
    settings.OpenFile("/nonexistent/", path);
    settings.LastConfigFile();
    settings.ConfigDir();
    settings.SequencesDir();

    TIniFile ini;
    ini.LoadText(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::string> expected = ReadAll(ini);
    const auto& keys = ProgramKeys();
    // Which keys get written, and in which order, comes from the input's
    // last bytes, so that every key is also left alone now and then.
    const std::uint8_t mask = size > 0 ? data[size - 1] : 0xFF;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i < 8 && !(mask & (1u << i))) continue;
        const std::string value = "v" + std::to_string(i) + (i % 3 == 0 ? " x;y=z #w" : "");
        ini.WriteString(keys[i].first, keys[i].second, value);
        expected[i] = value;
        FUZZ_CHECK(ReadAll(ini) == expected);
    }
    TIniFile again;
    again.LoadText(ini.Text());
    FUZZ_CHECK(ReadAll(again) == expected);
    return 0;
}
