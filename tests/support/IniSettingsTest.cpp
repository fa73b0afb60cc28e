// INI files, their safe replacement on disk, and the application settings.

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <future>
#include <sstream>

#include "support/AppSettings.h"
#include "support/IniFile.h"
#include "tests/testsupport/TestSupport.h"
#include "support/FilePaths.h"
#include "support/UserFolders.h"

using namespace std::string_literals;

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

TEST(IniFile, AFifoIsRefusedWithoutBlocking) {
    QTemporaryDir dir;
    const std::string fifo = dir.path().toStdString() + "/s.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto load = std::async(std::launch::async, [&] {
        TIniFile ini;
        return ini.Load(fifo);
    });
    if (load.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Give the blocked reader a writer, and so an end of file.
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        FAIL() << "reading a FIFO blocked";
    }
    EXPECT_EQ(load.get(), TFileReadStatus::NotRegular);
    // Nor is it replaced by a write.
    EXPECT_THROW(WriteFileAtomically(fifo, "[a]\n"), TFileWriteError);
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(IniFile, AKilledWriteLeavesNoTemporaryBehindTheNextWrite) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    const std::string path = d + "/big.ini";
    WriteFileAtomically(path, "[a]\nk=1\n");
    const std::string big(16 << 20, 'x');
    // Killed while its temporary file is being written (tried again should
    // the kill fall between two writes).
    for (int attempt = 0; attempt < 5 && FilesIn(d) == 1; ++attempt) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                for (;;) WriteFileAtomically(path, big);
            } catch (...) {
            }
            ::_exit(0);
        }
        WaitUntil([&] { return FilesIn(d) == 2; }, 20000);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    ASSERT_EQ(FilesIn(d), 2);
    WriteFileAtomically(path, "[a]\nk=2\n");
    EXPECT_EQ(FilesIn(d), 1);
    EXPECT_EQ(ReadAll(path), "[a]\nk=2\n");
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
    ASSERT_EQ(check.Load(file), TFileReadStatus::Read);
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

TEST(AppSettings, NothingInAFileIsLostUnread) {
    QTemporaryDir dir;
    const std::string settingsDir = dir.path().toStdString() + "/";
    const std::string file = settingsDir + "q.ini";
    // A NUL byte in a value is a byte like any other: the sections after it
    // are read, and the write changes only the three values.
    const std::string extra = "[Extra]\r\nblob=ab\0cd\r\n\r\n"s;
    WriteRaw(file, extra + "[Config]\r\nLast config file=/c/a.cfg\r\n[DIR]\r\nConfig dir=/old/\r\n[Later]\r\nk=v\r\n");
    TAppSettings s;
    s.OpenFile(settingsDir, file);
    EXPECT_EQ(s.Problem(), "");
    EXPECT_EQ(s.LastConfigFile(), "/c/a.cfg");
    EXPECT_EQ(s.ConfigDir(), "/old/");
    s.Write("/new/", "/seq/", "");
    EXPECT_EQ(ReadAll(file), extra + "[Config]\r\nLast config file=/c/a.cfg\r\n[DIR]\r\nConfig dir=/new/\r\n"
                                     "Sequences dir=/seq/\r\n[Later]\r\nk=v\r\n");

    // A binary file is not replaced by a fresh one: it is set aside whole,
    // under a name that says so, and the operator is told.
    std::string binary;
    for (int i = 0; i < 512; ++i) binary += static_cast<char>(i * 7);
    WriteRaw(file, binary);
    TAppSettings b;
    b.OpenFile(settingsDir, file);
    EXPECT_EQ(b.ConfigDir(), settingsDir);
    const QStringList aside = QDir(dir.path()).entryList({"q.ini.unreadable-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    const std::string kept = settingsDir + aside[0].toStdString();
    EXPECT_EQ(ReadAll(kept), binary);
    EXPECT_EQ(b.Problem(), "The settings file " + file + " could not be read: it does not look like an INI text file.\n"
                           "It was kept as " + kept + ", and the program starts from its default settings.");
    b.Write("/cfgs/", "/seq/", "");
    EXPECT_EQ(ReadAll(file), "[DIR]\nConfig dir=/cfgs/\nSequences dir=/seq/\n");
    EXPECT_EQ(ReadAll(kept), binary);
}
