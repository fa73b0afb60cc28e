// The settings folder rules, the per-user folders, the version title and
// the wait cursor.

#include <QCursor>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "support/FilePaths.h"
#include "support/HelpLocation.h"
#include "support/UserFolders.h"
#include "support/VersionTitle.h"
#include "support/WaitCursor.h"

namespace {

// Points the per-user folders at a private temporary tree for one test and
// puts the test environment back afterwards.
class PrivateHome {
public:
    PrivateHome() : oldConfig_(qgetenv("XDG_CONFIG_HOME")), oldData_(qgetenv("XDG_DATA_HOME")) {
        qputenv("XDG_CONFIG_HOME", (dir_.path() + "/config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (dir_.path() + "/data").toLocal8Bit());
    }
    ~PrivateHome() {
        qputenv("XDG_CONFIG_HOME", oldConfig_);
        qputenv("XDG_DATA_HOME", oldData_);
    }
    std::string Path() const { return dir_.path().toStdString(); }

private:
    QTemporaryDir dir_;
    QByteArray oldConfig_;
    QByteArray oldData_;
};

}  // namespace

TEST(Paths, TrailingSeparatorAndBaseNames) {
    EXPECT_EQ(AddTrailingSeparator(""), "");
    EXPECT_EQ(AddTrailingSeparator("/home/op"), "/home/op/");
    EXPECT_EQ(AddTrailingSeparator("/home/op/"), "/home/op/");
    EXPECT_EQ(AddTrailingSeparator("/"), "/");
    EXPECT_EQ(AddTrailingSeparator("C"), "C/");

    EXPECT_EQ(ConfigFileBaseName("/bench/cfgs/bench.cfg"), "bench");
    EXPECT_EQ(ConfigFileBaseName("/bench/a.cfg.cfg"), "a.cfg");
    EXPECT_EQ(ConfigFileBaseName("/bench/x.cfgy.cfg"), "xy.cfg");
    EXPECT_EQ(ConfigFileBaseName(""), "");
    EXPECT_EQ(ConfigFileBaseName("/lab.2/bench"), "bench");
    EXPECT_EQ(ConfigFileBaseName("Quadrell 2x4 Atts Lintera"), "Quadrell 2x4 Atts Lintera");

    EXPECT_EQ(ChangeFileExt("/opt/q/quadrell2x4atts", ".ini"), "/opt/q/quadrell2x4atts.ini");
    EXPECT_EQ(ChangeFileExt("/opt/q/bench.exe", ".ini"), "/opt/q/bench.ini");
    EXPECT_EQ(ChangeFileExt("/opt/q.d/prog", ".html"), "/opt/q.d/prog.html");
}

// An installed program finds its help file in prefix/share; a help file
// beside the program (the build tree) comes first.
TEST(Paths, HelpFileBesideTheProgramOrInstalled) {
    QTemporaryDir dir;
    const std::string prefix = dir.path().toStdString();
    const std::string program = prefix + "/bin/quadrell2x4atts";
    const std::string installed = prefix + "/share/quadrell2x4atts/quadrell2x4atts.html";
    ASSERT_EQ(::mkdir((prefix + "/bin").c_str(), 0700), 0);
    EXPECT_EQ(FindHelpFile(program), program + ".html");  // none: disabled item, no message

    ASSERT_EQ(::mkdir((prefix + "/share").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((prefix + "/share/quadrell2x4atts").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((prefix + "/bin/quadrell2x4atts.html").c_str(), 0700), 0);  // not a file
    FILE* f = std::fopen(installed.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(FindHelpFile(program), installed);

    ASSERT_EQ(::rmdir((program + ".html").c_str()), 0);
    f = std::fopen((program + ".html").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(FindHelpFile(program), program + ".html");
    EXPECT_EQ(FindHelpFile(""), "");
}

TEST(Paths, DirExistsOnlyForDirectories) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    EXPECT_TRUE(DirExists(d));
    EXPECT_TRUE(DirExists(d + "/"));
    EXPECT_FALSE(DirExists(d + "/missing"));
    EXPECT_FALSE(DirExists(""));
    FILE* f = std::fopen((d + "/file").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_FALSE(DirExists(d + "/file"));
}

TEST(SettingsFolder, FirstRunCreatesBothLevelsInTheConfigFolder) {
    PrivateHome home;
    EXPECT_TRUE(IsNTPlatform());

    // The configuration folder itself may not exist yet on a fresh account:
    // it is made on the way.
    const std::string expected = home.Path() + "/config/ORVELT/Quadrell 2x4 Atts Lintera";
    EXPECT_FALSE(DirExists(expected));
    EXPECT_EQ(GetSettingsFolder("Quadrell 2x4 Atts Lintera"), expected);
    EXPECT_TRUE(DirExists(expected));
    // A second run finds it.
    EXPECT_EQ(GetSettingsFolder("Quadrell 2x4 Atts Lintera"), expected);
    EXPECT_EQ(SettingsDirFor("Quadrell 2x4 Atts Lintera"), expected + "/");
    EXPECT_EQ(GetShellFolder(TShellFolder::AppData), home.Path() + "/config/");
    EXPECT_EQ(GetShellFolder(TShellFolder::LocalAppData), home.Path() + "/data/");
    EXPECT_TRUE(DirExists(home.Path() + "/data"));
}

TEST(SettingsFolder, WithoutConfigFolderAnExistingDataFolderIsUsed) {
    PrivateHome home;
    // No usable configuration folder: a file stands where it should be.
    FILE* f = std::fopen((home.Path() + "/config").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(GetShellFolder(TShellFolder::AppData), "");
    // The data folder is only used when the settings folder already exists
    // there; nothing is created in it.
    EXPECT_EQ(GetSettingsFolder("Quadrell 2x4 Atts Lintera"), "");
    EXPECT_FALSE(DirExists(home.Path() + "/data/Quadrell 2x4 Atts Lintera"));
    ASSERT_EQ(::mkdir((home.Path() + "/data/Quadrell 2x4 Atts Lintera").c_str(), 0700), 0);
    EXPECT_EQ(GetSettingsFolder("Quadrell 2x4 Atts Lintera"), home.Path() + "/data/Quadrell 2x4 Atts Lintera");
}

TEST(SettingsFolder, FallsBackToTheProgramFolderWhenNoneCanBeMade) {
    PrivateHome home;
    // A file where the vendor folder should be: nothing can be created.
    const std::string config = home.Path() + "/config";
    ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
    FILE* f = std::fopen((config + "/ORVELT").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(GetSettingsFolder("Quadrell 2x4 Atts Lintera"), "");

    const std::string program = ProgramFilePath();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(SettingsDirFor("Quadrell 2x4 Atts Lintera"), program.substr(0, program.rfind('/') + 1));
}

TEST(VersionTitle, DescriptionVersionAndLegalNotice) {
    TVersionInfo info;
    EXPECT_EQ(VersionTitle(info), "");
    info.present = true;
    info.fileVersion = "2.3.0.11";
    EXPECT_EQ(VersionTitle(info), "v2.3");
    info.fileVersion = "1,4,0,2";
    EXPECT_EQ(VersionTitle(info), "v1.4");
    info.description = "Attenuator bench";
    EXPECT_EQ(VersionTitle(info), "Attenuator bench - v1.4");
    info.legalNotice = "2026 Lab";
    EXPECT_EQ(VersionTitle(info), "Attenuator bench - v1.4 - © 2026 Lab");
    info.fileVersion = "7";
    EXPECT_EQ(VersionTitle(info), "Attenuator bench - v7.0 - © 2026 Lab");

    // The build's own information: the project's version, description and
    // legal notice.
    const TVersionInfo own = ProgramVersionInfo();
    ASSERT_TRUE(own.present);
    EXPECT_FALSE(own.fileVersion.empty());
    EXPECT_FALSE(own.description.empty());
    const std::string title = VersionTitle();
    EXPECT_EQ(title.rfind(own.description + " - v", 0), 0u) << title;
    EXPECT_NE(title.find(" - © " + own.legalNotice), std::string::npos) << title;
}

TEST(WaitCursor, CountedBeginsAndEnds) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    BeginWaitCursor();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    BeginWaitCursor();
    EndWaitCursor();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EndWaitCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // An extra end changes nothing, and does not eat a later begin.
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);
    EndWaitCursor();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    BeginWaitCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EndWaitCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QGuiApplication::restoreOverrideCursor();
}
