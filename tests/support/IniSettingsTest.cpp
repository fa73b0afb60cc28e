// INI files, their safe replacement on disk, and the application settings.

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "AppSettings.h"
#include "IniFile.h"
#include "TestSupport.h"
#include "misc.h"

namespace {


int FilesIn(const std::string& dir) {
    QDir d(QString::fromStdString(dir));
    return static_cast<int>(d.entryList(QDir::Files | QDir::Hidden | QDir::System).size());
}

}  // namespace

TEST(IniFile, ReadsCrLfAndLfCaseInsensitively) {
    TIniFile ini;
    ini.LoadText("[Config]\r\nLast Config File=/a/b.cfg\r\n[dir]\r\nconfig DIR = /x y/\r\n");
    EXPECT_EQ(ini.ReadString("config", "last config file", "?"), "/a/b.cfg");
    EXPECT_EQ(ini.ReadString("DIR", "Config dir", "?"), "/x y/");
    EXPECT_EQ(ini.ReadString("DIR", "Sequences dir", "def"), "def");
    EXPECT_EQ(ini.ReadString("none", "Config dir", "def"), "def");
    ini.LoadText("[a]\nn=2\nw=true\nm=-1\nx=3x\n");
    EXPECT_EQ(ini.ReadInteger("A", "N", 0), 2);
    EXPECT_EQ(ini.ReadInteger("a", "w", 0), 0);
    EXPECT_EQ(ini.ReadInteger("a", "m", 0), -1);
    EXPECT_EQ(ini.ReadInteger("a", "x", 5), 5);
}

TEST(IniFile, UpdatesKeysInPlaceWithoutBlanks) {
    TIniFile ini;
    ini.LoadText("; bench file\n[other]\nk=v\n[DIR]\nconfig dir=/old/\nextra=1\n");
    ini.WriteString("DIR", "Config dir", "/new/");
    ini.WriteString("DIR", "Sequences dir", "");
    ini.WriteString("Config", "Last config file", "evil\r\n[x]\nk=1");
    const std::string text = ini.Text();
    EXPECT_NE(text.find("[other]\nk=v\n"), std::string::npos) << text;
    EXPECT_NE(text.find("config dir=/new/\nextra=1\nSequences dir=\n"), std::string::npos) << text;
    // A value never starts a line of its own.
    EXPECT_NE(text.find("Last config file=evil  [x] k=1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\r"), std::string::npos);
    EXPECT_LT(text.find("[DIR]"), text.find("[Config]"));
}

TEST(IniFile, AtomicWriteReplacesOrLeavesTheOldFileWhole) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    const std::string path = d + "/s.ini";
    WriteFileAtomically(path, "[a]\nk=1\n");
    EXPECT_EQ(ReadAll(path), "[a]\nk=1\n");
    ::chmod(path.c_str(), 0640);
    WriteFileAtomically(path, "[a]\nk=2\n");
    EXPECT_EQ(ReadAll(path), "[a]\nk=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FilesIn(d), 1);  // no temporary file left behind

    // A symbolic link keeps pointing at the file it names.
    const std::string link = d + "/link.ini";
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    WriteFileAtomically(link, "[a]\nk=3\n");
    EXPECT_EQ(ReadAll(path), "[a]\nk=3\n");
    struct stat lst {};
    ASSERT_EQ(::lstat(link.c_str(), &lst), 0);
    EXPECT_TRUE(S_ISLNK(lst.st_mode));

    // A folder that cannot be written: the error names the file and the
    // file is unchanged.
    if (::geteuid() != 0) {
        ::chmod(d.c_str(), 0500);
        try {
            WriteFileAtomically(path, "lost");
            ADD_FAILURE() << "no error";
        } catch (const TFileWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Impossible d'écrire dans " + path);
        }
        ::chmod(d.c_str(), 0700);
        EXPECT_EQ(ReadAll(path), "[a]\nk=3\n");
    }
    // A path that names a folder: refused, the folder and its file intact.
    const std::string sub = d + "/sub";
    ASSERT_EQ(::mkdir(sub.c_str(), 0700), 0);
    WriteFileAtomically(sub + "/in.ini", "kept");
    EXPECT_THROW(WriteFileAtomically(sub, "x"), TFileWriteError);
    EXPECT_EQ(ReadAll(sub + "/in.ini"), "kept");
    EXPECT_EQ(FilesIn(d), 2);  // s.ini and link.ini, no temporary file
    // A folder that does not exist.
    const std::string missing = d + "/none/s.ini";
    EXPECT_THROW(WriteFileAtomically(missing, "x"), TFileWriteError);
    EXPECT_THROW(WriteFileAtomically("", "x"), TFileWriteError);
}

TEST(AppSettings, DefaultsThenPersistence) {
    QTemporaryDir dir;
    const std::string settingsDir = dir.path().toStdString() + "/";
    const std::string file = settingsDir + "quadrell2x4atts.ini";

    TAppSettings s;
    s.OpenFile(settingsDir, file);
    EXPECT_EQ(s.LastConfigFile(), "");
    EXPECT_EQ(s.ConfigDir(), settingsDir);
    EXPECT_EQ(s.SequencesDir(), GetShellFolder(TShellFolder::Documents));

    // An empty configuration file path writes no "Config" section.
    s.Write(settingsDir, "/seq/", "");
    std::string text = ReadAll(file);
    EXPECT_EQ(text, "[DIR]\nConfig dir=" + settingsDir + "\nSequences dir=/seq/\n");
    s.Close();

    TAppSettings again;
    again.OpenFile(settingsDir, file);
    EXPECT_EQ(again.ConfigDir(), settingsDir);
    EXPECT_EQ(again.SequencesDir(), "/seq/");
    again.Write("/cfgs/", "/seq2/", "/cfgs/bench.cfg");
    // An empty path later keeps the last configuration file.
    again.Write("/cfgs/", "/seq3/", "");
    again.Close();

    TAppSettings third;
    third.OpenFile(settingsDir, file);
    EXPECT_EQ(third.LastConfigFile(), "/cfgs/bench.cfg");
    EXPECT_EQ(third.ConfigDir(), "/cfgs/");
    EXPECT_EQ(third.SequencesDir(), "/seq3/");
}

TEST(AppSettings, KeepsForeignKeysAndSurvivesAFailedWrite) {
    QTemporaryDir dir;
    const std::string settingsDir = dir.path().toStdString() + "/";
    const std::string file = settingsDir + "q.ini";
    WriteRaw(file, "[Window]\r\nLeft=10\r\n[dir]\r\nconfig dir=/old/\r\n");

    TAppSettings s;
    s.OpenFile(settingsDir, file);
    EXPECT_EQ(s.ConfigDir(), "/old/");
    // Someone else adds a key while the program runs; it survives the write.
    WriteRaw(file, "[Window]\r\nLeft=10\r\nTop=20\r\n[dir]\r\nconfig dir=/old/\r\n");
    s.Write("/new/", "/seq/", "/c/a.cfg");
    TIniFile check;
    ASSERT_TRUE(check.Load(file));
    EXPECT_EQ(check.ReadString("Window", "Top", ""), "20");
    EXPECT_EQ(check.ReadString("DIR", "Config dir", ""), "/new/");
    EXPECT_EQ(check.ReadString("Config", "Last config file", ""), "/c/a.cfg");

    // The settings folder disappears: the write fails with the file's name.
    TAppSettings lost;
    lost.OpenFile(settingsDir + "gone/", settingsDir + "gone/q.ini");
    EXPECT_THROW(lost.Write("/a/", "/b/", "/c"), TFileWriteError);
}

TEST(AppSettings, OpenFindsTheSettingsFolderAndProgramName) {
    QTemporaryDir home;
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    TAppSettings s;
    s.Open("Quadrell 2x4 Atts Lintera");
    qputenv("XDG_CONFIG_HOME", old);
    const std::string dir = home.path().toStdString() + "/ORVELT/Quadrell 2x4 Atts Lintera/";
    EXPECT_EQ(s.SettingsDir(), dir);
    std::string program = ProgramFilePath();
    program.erase(0, program.rfind('/') + 1);
    EXPECT_EQ(s.FilePath(), dir + program + ".ini");
    EXPECT_EQ(s.ConfigDir(), dir);
}
