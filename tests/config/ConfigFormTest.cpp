// The configuration dialog, driven as an operator would: real widgets,
// real message boxes and file dialogs, offscreen.

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "config/RackConfiguration.h"
#include "config/ConfigForm.h"
#include "DiskFull.h"
#include "ModalDriver.h"
#include "RecordingHost.h"

namespace {

using Strings = std::vector<std::string>;

class ConfigDialog : public ::testing::Test {
protected:
    ConfigDialog() {
        // File dialogs keep their history in the per-user configuration
        // folder: give them a private one.
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/.home").toLocal8Bit());
        // A stuck dialog is closed rather than hanging the test.
        QObject::connect(&watchdog_, &QTimer::timeout, [] {
            if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dlg->reject();
        });
        watchdog_.start(15000);
        host.configDir = dir.path().toStdString();
    }

    // Shows the dialog and waits for it to close; the steps must have run.
    bool Run() {
        const bool ok = ShowConfigDialog(host);
        EXPECT_TRUE(driver.Done()) << "dialog closed before every step ran";
        return ok;
    }

    // Waits for the dialog and keeps it in form.
    void WaitForForm() {
        driver.Then([this] { return (form = TModalDriver::Modal<TConfigForm>()) != nullptr; });
    }

    std::string Path(const char* name) const { return dir.path().toStdString() + "/" + name; }

    QTemporaryDir dir;
    TRecordingHost host;
    TModalDriver driver;
    TConfigForm* form = nullptr;

private:
    QTimer watchdog_;
};

RackConfiguration Bench(const std::string& ip1, const std::string& ip2) {
    RackConfiguration c = RackConfiguration::Defaults();
    c.Racks[0].IPAddress = ip1;
    c.Racks[0].AttEnabled = {true, false, true, false};
    c.Racks[1].IPAddress = ip2;
    c.Racks[1].AttEnabled = {false, false, false, true};
    return c;
}

}  // namespace

TEST_F(ConfigDialog, OpensWithTheCurrentFileAndKeepsItOnOk) {
    StoreConfigFile(Path("bench.cfg"), Bench("10.0.0.1", "10.0.0.2"));
    host.configFile = Path("bench.cfg");
    WaitForForm();
    driver.Then([this] {
        EXPECT_EQ(form->windowTitle().toStdString(), "Quadrell Configuration");
        EXPECT_EQ(form->ConfigName->text().toStdString(), "bench");
        EXPECT_EQ(form->Label3->text().toStdString(), "");
        EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
        EXPECT_EQ(form->EditRackIPAddress1->text().toStdString(), "10.0.0.1");
        EXPECT_EQ(form->EditRackName2->text().toStdString(), "Rack 2");
        EXPECT_TRUE(form->EnableAttRack1[2]->isChecked());
        EXPECT_TRUE(form->EnableAttRack2[3]->isChecked());
        EXPECT_FALSE(form->EnableAttRack2[0]->isChecked());
        EXPECT_FALSE(form->EditRackName1->isVisibleTo(form));
        EXPECT_FALSE(form->RackPasswordEdit->isVisibleTo(form));
        TModalDriver::ClickLater(form->OkBtn);
        return true;
    });
    EXPECT_TRUE(Run());
    EXPECT_TRUE(driver.Boxes().empty());
    EXPECT_EQ(host.SlotSummary(),
              (Strings{"10.0.0.1:10001", "10.0.0.1:10003", "10.0.0.2:10004", "-", "-", "-", "-", "-"}));
    EXPECT_EQ(host.log.front(), "ResetLinks");
    EXPECT_EQ(host.log.back(), "SetConfigFile " + Path("bench.cfg"));
}

TEST_F(ConfigDialog, AMissingCurrentFileOpensEmptyWithoutAMessage) {
    host.configFile = Path("gone.cfg");
    host.links[0] = {"10.0.0.7", "10002", true};
    WaitForForm();
    driver.Then([this] {
        EXPECT_EQ(form->ConfigName->text().toStdString(), "gone");
        EXPECT_EQ(form->EditRackIPAddress1->text().toStdString(), "");
        EXPECT_EQ(form->EditRackName1->text().toStdString(), "Rack 1");
        TModalDriver::ClickLater(form->OkBtn);
        return true;
    });
    EXPECT_TRUE(Run());
    EXPECT_TRUE(driver.Boxes().empty());
    EXPECT_EQ(host.SlotSummary(), Strings(8, "-"));
    EXPECT_EQ(host.configFile, Path("gone.cfg"));
}

TEST_F(ConfigDialog, OpensFromTheSlotsWithoutAFileAndCancelChangesNothing) {
    host.links[0] = {"10.0.0.7", "10002", true};
    host.links[1] = {"10.0.0.8", "10001", true};
    host.links[2] = {"10.0.0.9", "10001", false};
    WaitForForm();
    driver.Then([this] {
        EXPECT_EQ(form->ConfigName->text().toStdString(), "");
        EXPECT_EQ(form->CfgFileName, "");
        EXPECT_EQ(form->EditRackIPAddress1->text().toStdString(), "10.0.0.7");
        EXPECT_EQ(form->EditRackIPAddress2->text().toStdString(), "10.0.0.8");
        EXPECT_EQ(form->EditRackName1->text().toStdString(), "");
        EXPECT_TRUE(form->EnableAttRack1[1]->isChecked());
        EXPECT_TRUE(form->EnableAttRack2[0]->isChecked());
        EXPECT_FALSE(form->EnableAttRack1[0]->isChecked());
        // Edits, then Cancel: no message, nothing applied.
        form->EnableAttRack1[0]->click();
        QTest::keyClicks(form->EditRackIPAddress1, "9");
        TModalDriver::ClickLater(form->CancelBtn);
        return true;
    });
    EXPECT_FALSE(Run());
    EXPECT_TRUE(driver.Boxes().empty());
    EXPECT_TRUE(host.log.empty());
}

TEST_F(ConfigDialog, AnEditDetachesTheDialogFromItsFile) {
    StoreConfigFile(Path("bench.cfg"), Bench("10.0.0.1", "10.0.0.2"));
    host.configFile = Path("bench.cfg");
    WaitForForm();
    driver.Then([this] {
        // Ticking a box forgets the file...
        form->EnableAttRack1[1]->click();
        EXPECT_EQ(form->ConfigName->text().toStdString(), "");
        EXPECT_EQ(form->CfgFileName, "");
        // ...and so does typing into an IP edit.
        form->SetConfigFileName(Path("bench.cfg"));
        EXPECT_EQ(form->ConfigName->text().toStdString(), "bench");
        QTest::keyClick(form->EditRackIPAddress2, Qt::Key_5);
        EXPECT_EQ(form->ConfigName->text().toStdString(), "");
        TModalDriver::ClickLater(form->OkBtn);
        return true;
    });
    EXPECT_TRUE(Run());
    EXPECT_EQ(host.configFile, "");
    EXPECT_EQ(host.log.back(), "SetConfigFile ");
    EXPECT_EQ(host.SlotSummary(), (Strings{"10.0.0.1:10001", "10.0.0.1:10002", "10.0.0.1:10003", "10.0.0.25:10004",
                                           "-", "-", "-", "-"}));
}

TEST_F(ConfigDialog, OkShowsOneMessagePerFailingRuleAndStaysOpen) {
    WaitForForm();
    driver.Then([this] {
        // Both IP edits empty and one box ticked.
        form->EnableAttRack2[2]->click();
        TModalDriver::ClickLater(form->OkBtn);
        return true;
    });
    driver.Then([this] {
        if (driver.Boxes().size() < 1) return false;
        EXPECT_TRUE(form->isVisible());
        // Equal addresses, rack 2 filled and ticked.
        form->EditRackIPAddress1->setText("10.0.0.1");
        form->EditRackIPAddress2->setText("10.0.0.1");
        TModalDriver::ClickLater(form->OkBtn);
        return true;
    });
    driver.Then([this] {
        if (driver.Boxes().size() < 2) return false;
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->EditRackIPAddress2->text().toStdString(), "10.0.0.1");
        form->EditRackIPAddress2->setText("10.0.0.2");
        TModalDriver::ClickLater(form->OkBtn);
        return true;
    });
    EXPECT_TRUE(Run());
    ASSERT_EQ(driver.Boxes().size(), 2u);
    EXPECT_EQ(driver.Boxes()[0].title, "Error.");
    EXPECT_EQ(driver.Boxes()[0].text, "Error: Attenuators with no IP.");
    EXPECT_EQ(driver.Boxes()[1].title, "Error.");
    EXPECT_EQ(driver.Boxes()[1].text, "Error on rack IP address.");
    EXPECT_EQ(host.SlotSummary(), (Strings{"10.0.0.2:10003", "-", "-", "-", "-", "-", "-", "-"}));
}

TEST_F(ConfigDialog, AFloorIsCheckedAtOkAndReachesItsSlotAndBack) {
    host.links[0] = {"10.0.0.1", "10002", true, "21"};
    WaitForForm();
    driver.Then([this] {
        // Rebuilt from the slots, the floor beside its box.
        EXPECT_EQ(form->FloorAttRack1[1]->text().toStdString(), "21");
        form->FloorAttRack1[1]->setText("111");
        TModalDriver::ClickLater(form->OkBtn);
        return true;
    });
    driver.Then([this] {
        if (driver.Boxes().empty()) return false;
        EXPECT_TRUE(form->isVisible());
        form->FloorAttRack1[1]->setText("20.5");
        TModalDriver::ClickLater(form->OkBtn);
        return true;
    });
    EXPECT_TRUE(Run());
    ASSERT_EQ(driver.Boxes().size(), 1u);
    EXPECT_EQ(driver.Boxes()[0].title, "Error.");
    EXPECT_EQ(driver.Boxes()[0].text, FloorsMessage);
    EXPECT_EQ(host.SlotSummary(), (Strings{"10.0.0.1:10002", "-", "-", "-", "-", "-", "-", "-"}));
    EXPECT_EQ(host.links[0].floor, "20.5");
}

TEST_F(ConfigDialog, EscapeClosesWithoutChecks) {
    WaitForForm();
    driver.Then([this] {
        form->EnableAttRack1[0]->click();  // breaks a rule: no IP
        TModalDriver::Later([this] { QTest::keyClick(form, Qt::Key_Escape); });
        return true;
    });
    EXPECT_FALSE(Run());
    EXPECT_TRUE(driver.Boxes().empty());
    EXPECT_TRUE(host.log.empty());
}

TEST_F(ConfigDialog, StoreThenCancelWritesTheFileOnly) {
    WaitForForm();
    driver.Then([this] {
        form->EditRackIPAddress1->setText("192.168.1.20");
        form->EnableAttRack1[3]->click();
        TModalDriver::ClickLater(form->StoreCfgBtn);
        return true;
    });
    driver.Then([this] {
        auto* dlg = TModalDriver::Modal<QFileDialog>();
        if (!dlg) return false;
        EXPECT_EQ(dlg, form->SaveDialog);
        EXPECT_EQ(dlg->windowTitle().toStdString(), "Save configuration file");
        // Without a file of its own the dialog starts in the configuration folder.
        EXPECT_EQ(dlg->directory().absolutePath(), dir.path());
        dlg->selectFile(QString::fromStdString(Path("stored")));
        TModalDriver::Later([dlg] { static_cast<QDialog*>(dlg)->accept(); });
        return true;
    });
    driver.Then([this] {
        // The store has run once the dialog belongs to a file.
        if (TModalDriver::Modal<TConfigForm>() != form || form->CfgFileName.empty()) return false;
        // The default extension was added and the dialog now belongs to the file.
        EXPECT_EQ(form->CfgFileName, Path("stored.cfg"));
        EXPECT_EQ(form->ConfigName->text().toStdString(), "stored");
        TModalDriver::ClickLater(form->CancelBtn);
        return true;
    });
    EXPECT_FALSE(Run());
    EXPECT_TRUE(host.log.empty());
    const RackConfiguration stored = LoadConfigFile(Path("stored.cfg"));
    EXPECT_EQ(stored.Racks[0].IPAddress, "192.168.1.20");
    EXPECT_EQ(stored.Racks[0].AttEnabled, (std::array<bool, 4>{false, false, false, true}));
}

TEST_F(ConfigDialog, LoadPicksAFileAndOkMakesItCurrent) {
    StoreConfigFile(Path("other.cfg"), Bench("172.16.0.1", "172.16.0.2"));
    WaitForForm();
    driver.Then([this] {
        TModalDriver::ClickLater(form->LoadCfgBtn);
        return true;
    });
    driver.Then([this] {
        auto* dlg = TModalDriver::Modal<QFileDialog>();
        if (!dlg) return false;
        EXPECT_EQ(dlg->windowTitle().toStdString(), "Open configuration file");
        dlg->selectFile(QString::fromStdString(Path("other.cfg")));
        TModalDriver::Later([dlg] { static_cast<QDialog*>(dlg)->accept(); });
        return true;
    });
    driver.Then([this] {
        if (TModalDriver::Modal<TConfigForm>() != form || form->CfgFileName.empty()) return false;
        EXPECT_EQ(form->ConfigName->text().toStdString(), "other");
        EXPECT_EQ(form->EditRackIPAddress2->text().toStdString(), "172.16.0.2");
        TModalDriver::ClickLater(form->OkBtn);
        return true;
    });
    EXPECT_TRUE(Run());
    EXPECT_EQ(host.configFile, Path("other.cfg"));
    EXPECT_EQ(host.SlotSummary(),
              (Strings{"172.16.0.1:10001", "172.16.0.1:10003", "172.16.0.2:10004", "-", "-", "-", "-", "-"}));
}

TEST_F(ConfigDialog, AFailedStoreIsReportedAndKeepsTheFileAndItsName) {
    StoreConfigFile(Path("bench.cfg"), Bench("10.0.0.1", "10.0.0.2"));
    const RackConfiguration before = LoadConfigFile(Path("bench.cfg"));
    host.configFile = Path("bench.cfg");
    host.configDir = "/";
    WaitForForm();
    driver.Then([this] {
        TModalDriver::ClickLater(form->StoreCfgBtn);
        return true;
    });
    driver.Then([this] {
        auto* dlg = TModalDriver::Modal<QFileDialog>();
        if (!dlg) return false;
        // The dialog starts in the folder of the dialog's own file.
        EXPECT_EQ(dlg->directory().absolutePath(), dir.path());
        dlg->selectFile(QString::fromStdString(Path("bench.cfg")));
        // The disk "fills up": no file may grow beyond 16 bytes.
        TModalDriver::Later([dlg] {
            LimitFileSize(16);
            static_cast<QDialog*>(dlg)->accept();
        });
        return true;
    });
    driver.Then([this] {
        if (driver.Boxes().empty()) return false;
        LimitFileSize(RLIM_INFINITY);
        EXPECT_EQ(form->CfgFileName, Path("bench.cfg"));
        EXPECT_EQ(form->ConfigName->text().toStdString(), "bench");
        TModalDriver::ClickLater(form->CancelBtn);
        return true;
    });
    EXPECT_FALSE(Run());
    LimitFileSize(RLIM_INFINITY);
    ASSERT_EQ(driver.Boxes().size(), 1u);
    EXPECT_EQ(driver.Boxes()[0].text, "Impossible d'écrire dans " + Path("bench.cfg"));
    // The old file is whole and nothing was left beside it.
    EXPECT_EQ(LoadConfigFile(Path("bench.cfg")), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ConfigDialog, AFifoIsReportedByOpeningLoadAndStoreAndLeftAlone) {
    const std::string fifo = Path("pipe.cfg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    host.configFile = fifo;
    host.links[0] = {"10.0.0.7", "10002", true};
    WaitForForm();
    driver.Then([this] {
        // The current file could not be read: the slots are shown instead.
        EXPECT_EQ(driver.Boxes().size(), 1u);
        EXPECT_EQ(form->CfgFileName, "");
        EXPECT_EQ(form->EditRackIPAddress1->text().toStdString(), "10.0.0.7");
        TModalDriver::ClickLater(form->LoadCfgBtn);
        return true;
    });
    for (QPushButton* TConfigForm::*button : {&TConfigForm::LoadCfgBtn, &TConfigForm::StoreCfgBtn}) {
        driver.Then([this, fifo] {
            auto* dlg = TModalDriver::Modal<QFileDialog>();
            if (!dlg) return false;
            // Typed, as the name edit may have the focus.
            dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(fifo));
            TModalDriver::Later([dlg] { static_cast<QDialog*>(dlg)->accept(); });
            return true;
        });
        driver.Then([this, button] {
            if (driver.Boxes().size() < (button == &TConfigForm::LoadCfgBtn ? 2u : 3u)) return false;
            EXPECT_EQ(form->EditRackIPAddress1->text().toStdString(), "10.0.0.7");
            EXPECT_EQ(form->CfgFileName, "");
            TModalDriver::ClickLater(button == &TConfigForm::LoadCfgBtn ? form->StoreCfgBtn : form->CancelBtn);
            return true;
        });
    }
    EXPECT_FALSE(Run());
    ASSERT_EQ(driver.Boxes().size(), 3u);
    EXPECT_EQ(driver.Boxes()[0].text, fifo + " is not a regular file; nothing was loaded.");
    EXPECT_EQ(driver.Boxes()[1].text, fifo + " is not a regular file; nothing was loaded.");
    EXPECT_EQ(driver.Boxes()[2].text, "Impossible d'écrire dans " + fifo);
    EXPECT_EQ(driver.Boxes()[2].details, "It is not a regular file; nothing was written.");
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
