// The configuration file: reading with defaults, writing key by key into
// existing files, and safe replacement.

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "config/RackConfiguration.h"
#include "DiskFull.h"
#include "support/IniFile.h"
#include "tests/testsupport/TestSupport.h"
#include "RecordingHost.h"

using namespace std::string_literals;

namespace {

class ConfigFile : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir_.path().toStdString() + "/" + name; }

private:
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(ConfigFile, MissingFileGivesDefaults) {
    const RackConfiguration c = LoadConfigFile(Path("none.cfg"));
    EXPECT_EQ(c, RackConfiguration::Defaults());
    EXPECT_EQ(c.Racks[0].Name, "Rack 1");
    EXPECT_EQ(c.Racks[1].Name, "Rack 2");
    EXPECT_EQ(c.Racks[0].IPAddress, "");
    for (const RackConfig& r : c.Racks)
        for (bool on : r.AttEnabled) EXPECT_FALSE(on);
}

TEST_F(ConfigFile, OnlyRack2LoadsAndAppliesToSlotZero) {
    WriteRaw(Path("r2.cfg"), "[rack2]\r\nIP address=10.1.2.3\r\nAtt3 Enable=1\r\n");
    const RackConfiguration c = LoadConfigFile(Path("r2.cfg"));
    EXPECT_EQ(c.Racks[0].IPAddress, "");
    EXPECT_EQ(c.Racks[0].Name, "Rack 1");
    EXPECT_EQ(c.Racks[1].IPAddress, "10.1.2.3");
    EXPECT_EQ(c.Racks[1].Name, "Rack 2");
    EXPECT_EQ(c.Racks[1].AttEnabled, (std::array<bool, 4>{false, false, true, false}));
    EXPECT_TRUE(ConfigErrors(c).empty());

    TRecordingHost host;
    ApplyConfig(c, host);
    EXPECT_EQ(host.SlotSummary(), (std::vector<std::string>{"10.1.2.3:10003", "-", "-", "-", "-", "-", "-", "-"}));
}

TEST_F(ConfigFile, EnableValuesAreIntegersAndStoreAsOneOrZero) {
    WriteRaw(Path("v.cfg"),
             "[RACK1]\natt1 enable=2\nAtt2 Enable=true\nAtt3 Enable=-1\nAtt4 Enable= 1 \nip ADDRESS=192.168.0.10\n"
             "NAME RACK=Left\n");
    RackConfiguration c = LoadConfigFile(Path("v.cfg"));
    EXPECT_EQ(c.Racks[0].AttEnabled, (std::array<bool, 4>{true, false, true, true}));
    EXPECT_EQ(c.Racks[0].IPAddress, "192.168.0.10");
    EXPECT_EQ(c.Racks[0].Name, "Left");

    StoreConfigFile(Path("v.cfg"), c);
    TIniFile ini;
    ASSERT_EQ(ini.Load(Path("v.cfg")), TFileReadStatus::Read);
    EXPECT_EQ(ini.ReadString("rack1", "Att1 Enable", "?"), "1");
    EXPECT_EQ(ini.ReadString("rack1", "Att2 Enable", "?"), "0");
    EXPECT_EQ(ini.ReadString("rack1", "Att3 Enable", "?"), "1");
    EXPECT_EQ(LoadConfigFile(Path("v.cfg")), c);
    // Existing keys were replaced in place: one section, no second copy.
    const std::string text = ReadAll(Path("v.cfg"));
    EXPECT_EQ(text.find("[rack1]"), std::string::npos) << text;
    EXPECT_EQ(text.find("Att1 Enable"), text.find("[rack2]\nAtt1 Enable") + 8) << text;
    EXPECT_EQ(text.find("[RACK1]\natt1 enable=1\nAtt2 Enable=0\nAtt3 Enable=1\nAtt4 Enable=1\n"), 0u) << text;
}

TEST_F(ConfigFile, FreshFileLayout) {
    RackConfiguration c = RackConfiguration::Defaults();
    c.Racks[0].IPAddress = "10.0.0.1";
    c.Racks[0].AttEnabled = {true, false, false, true};
    c.Racks[1].Name = "";
    StoreConfigFile(Path("new.cfg"), c);
    EXPECT_EQ(ReadAll(Path("new.cfg")),
              "[rack1]\nAtt1 Enable=1\nAtt2 Enable=0\nAtt3 Enable=0\nAtt4 Enable=1\nIP address=10.0.0.1\n"
              "name rack=Rack 1\n"
              "[rack2]\nAtt1 Enable=0\nAtt2 Enable=0\nAtt3 Enable=0\nAtt4 Enable=0\nIP address=\nname rack=\n");
    // An empty stored name reads back empty, not as the default.
    EXPECT_EQ(LoadConfigFile(Path("new.cfg")), c);
}

TEST_F(ConfigFile, StoringKeepsExtraSectionsAndKeys) {
    WriteRaw(Path("x.cfg"), "; lab bench 3\r\n[notes]\r\nowner=RF lab\r\n[rack2]\r\nextra=keep me\r\nAtt1 Enable=1\r\n");
    RackConfiguration c = RackConfiguration::Defaults();
    c.Racks[1].IPAddress = "10.0.0.2";
    StoreConfigFile(Path("x.cfg"), c);
    TIniFile ini;
    ASSERT_EQ(ini.Load(Path("x.cfg")), TFileReadStatus::Read);
    EXPECT_EQ(ini.ReadString("notes", "owner", ""), "RF lab");
    EXPECT_EQ(ini.ReadString("rack2", "extra", ""), "keep me");
    EXPECT_EQ(ini.ReadString("rack2", "Att1 Enable", ""), "0");
    const std::string text = ReadAll(Path("x.cfg"));
    EXPECT_LT(text.find("[notes]"), text.find("[rack2]"));
    EXPECT_LT(text.find("[rack2]"), text.find("[rack1]"));
    EXPECT_NE(text.find("; lab bench 3"), std::string::npos);
}

TEST_F(ConfigFile, AnnotatedFileLoadsWholeAndStoreKeepsEveryOtherLine) {
    const std::string head = "; Bench 3 - rack 2 is the shelf one\r\n\r\n[rack1]\r\n"s;
    const std::string rack1 = "  owner = RF lab\r\ncalibrated 2023-04 by JM\r\nnote=spare\0unit\r\nIP address=10.0.0.1\r\n"s;
    const std::string rack2 = "# rack 2 below\r\n[rack2]\r\nname rack=Shelf\r\nIP address=10.0.0.2\r\n"s;
    WriteRaw(Path("a.cfg"), head + "Att1 Enable=0\r\n" + rack1 + rack2 + "Att4 Enable=1\r\n[notes]\r\nx = 1\r\n");
    // A NUL byte does not end the reading: rack 2 is read too.
    RackConfiguration c = LoadConfigFile(Path("a.cfg"));
    EXPECT_EQ(c.Racks[0].IPAddress, "10.0.0.1");
    EXPECT_EQ(c.Racks[1].IPAddress, "10.0.0.2");
    EXPECT_EQ(c.Racks[1].Name, "Shelf");
    EXPECT_EQ(c.Racks[1].AttEnabled, (std::array<bool, 4>{false, false, false, true}));

    // Only the twelve values change; missing keys follow their section's
    // last key, in the file's own line ends.
    c.Racks[0].AttEnabled[0] = true;
    c.Racks[1].AttEnabled[3] = false;
    StoreConfigFile(Path("a.cfg"), c);
    EXPECT_EQ(ReadAll(Path("a.cfg")),
              head + "Att1 Enable=1\r\n" + rack1 +
                  "Att2 Enable=0\r\nAtt3 Enable=0\r\nAtt4 Enable=0\r\nname rack=Rack 1\r\n" + rack2 +
                  "Att4 Enable=0\r\nAtt1 Enable=0\r\nAtt2 Enable=0\r\nAtt3 Enable=0\r\n[notes]\r\nx = 1\r\n");
}

TEST_F(ConfigFile, FailedStoreChangesNothing) {
    // The path is a folder: nothing can be written there.
    const std::string folder = Path("folder.cfg");
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(folder)));
    try {
        StoreConfigFile(folder, RackConfiguration::Defaults());
        ADD_FAILURE() << "no error";
    } catch (const TFileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Impossible d'écrire dans " + folder);
    }
    EXPECT_THROW(StoreConfigFile(Path("missing/dir.cfg"), RackConfiguration::Defaults()), TFileWriteError);
    EXPECT_EQ(LoadConfigFile(folder), RackConfiguration::Defaults());

    // The disk fills up in the middle of writing over an existing file.
    const std::string path = Path("bench.cfg");
    const std::string old = "; bench 3\n[rack1]\nIP address=10.0.0.1\nAtt1 Enable=1\n";
    WriteRaw(path, old);
    LimitFileSize(24);
    EXPECT_THROW(StoreConfigFile(path, RackConfiguration::Defaults()), TFileWriteError);
    LimitFileSize(RLIM_INFINITY);
    EXPECT_EQ(ReadAll(path), old);

    // A file that is not INI text (here a picture) is left alone.
    const std::string picture = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x02\0\0\0"s;
    WriteRaw(Path("picture.cfg"), picture);
    try {
        StoreConfigFile(Path("picture.cfg"), RackConfiguration::Defaults());
        ADD_FAILURE() << "no error";
    } catch (const TFileWriteError& e) {
        EXPECT_EQ(e.Reason(), "It does not look like an INI text file; nothing was written.");
    }
    EXPECT_EQ(ReadAll(Path("picture.cfg")), picture);
    // Nothing was left beside the files.
    EXPECT_EQ(QDir(QString::fromStdString(Path(""))).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(ConfigFile, FloorsAreReadKeptAndWrittenOnlyWhereTheyAre) {
    WriteRaw(Path("f.cfg"), "[rack1]\r\nIP address=10.0.0.1\r\nAtt1 Enable=1\r\nAtt1 Min dB= 20.5 \r\nAtt2 Min dB=\r\n");
    RackConfiguration c = LoadConfigFile(Path("f.cfg"));
    EXPECT_EQ(c.Racks[0].AttMinDb, (std::array<std::string, 4>{"20.5", "", "", ""}));
    // Read and stored unchanged: no floor key appears where there was none.
    StoreConfigFile(Path("f.cfg"), c);
    std::string text = ReadAll(Path("f.cfg"));
    EXPECT_NE(text.find("Att1 Min dB=20.5\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Att2 Min dB=\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Att3 Min dB"), std::string::npos) << text;
    EXPECT_EQ(text.find("[rack2]\r\nAtt1 Min dB"), std::string::npos) << text;
    // A floor given is written; one taken away leaves its key empty.
    c.Racks[0].AttMinDb = {"", "", "21", ""};
    StoreConfigFile(Path("f.cfg"), c);
    EXPECT_EQ(LoadConfigFile(Path("f.cfg")), c);
    text = ReadAll(Path("f.cfg"));
    EXPECT_NE(text.find("Att1 Min dB=\r\n"), std::string::npos) << text;

    // The floor texts: tenths rounded up, 0..110 dB, nothing else.
    const std::pair<const char*, std::optional<int>> floors[] = {
        {"", 0},     {"0", 0},      {"20", 200},           {" 20.5 ", 205},      {"20.01", 201},
        {"110", 1100}, {"110.0", 1100}, {"110.01", std::nullopt}, {"111", std::nullopt}, {"-1", std::nullopt},
        {"abc", std::nullopt}, {"2e1", std::nullopt}, {".", std::nullopt}, {"1,5", std::nullopt}};
    for (const auto& [floor, tenths] : floors) EXPECT_EQ(FloorTenths(floor), tenths) << floor;
    c.Racks[1].AttMinDb[3] = "abc";
    EXPECT_EQ(ConfigErrors(c), std::vector<std::string>{FloorsMessage});
}
