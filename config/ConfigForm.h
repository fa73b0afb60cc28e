#pragma once
// The configuration dialog: the two racks' IP addresses, enabled
// attenuators and their floors, loading and storing configuration files,
// and the rules that a confirmed configuration must pass.

#include <QDialog>
#include <array>
#include <string>

#include "config/RackConfiguration.h"

class QCheckBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TConfigForm : public QDialog {
    Q_OBJECT

public:
    explicit TConfigForm(TConfigHost& host, QWidget* parent = nullptr);

    // The record shown by the controls, and the controls set from a record.
    RackConfiguration Record() const;
    void SetRecord(const RackConfiguration& config);

    // Remembers the file that the contents belong to and shows its base name.
    void SetConfigFileName(const std::string& path);

    // OK is refused, with one message box per failing rule, while the
    // contents break a rule; every other close is allowed.
    void done(int result) override;

    std::string CfgFileName;
    bool Loading = false;

    QFrame* Panel1;
    QPushButton* LoadCfgBtn;
    QPushButton* StoreCfgBtn;
    QLabel* ConfigName;
    QLabel* Label17;
    QLineEdit* RackPasswordEdit;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QLabel* Label1;
    QLabel* Label5;
    QLineEdit* EditRackIPAddress1;
    QLineEdit* EditRackIPAddress2;
    QLabel* Label4;
    QLabel* Label2;
    QLineEdit* EditRackName1;
    QLineEdit* EditRackName2;
    std::array<QCheckBox*, AttsPerRack> EnableAttRack1;  // EnableAtt1Rack1..EnableAtt4Rack1
    std::array<QCheckBox*, AttsPerRack> EnableAttRack2;  // EnableAtt1Rack2..EnableAtt4Rack2
    std::array<QLineEdit*, AttsPerRack> FloorAttRack1;   // FloorAtt1Rack1..: each floor in dB, beside its box
    std::array<QLineEdit*, AttsPerRack> FloorAttRack2;
    QLabel* Label3;
    QFileDialog* OpenDialog = nullptr;  // made on first use
    QFileDialog* SaveDialog = nullptr;

private:
    void BuildRackPage(QWidget* page, int rack, QGroupBox*& group, QLabel*& ipLabel, QLineEdit*& ipEdit,
                       QLabel*& nameLabel, QLineEdit*& nameEdit, std::array<QCheckBox*, AttsPerRack>& boxes,
                       std::array<QLineEdit*, AttsPerRack>& floors);
    void IP_MaskEditChange();
    void EnableAtt1Rack8Click();
    void LoadCfgBtnClick();
    void StoreCfgBtnClick();
    QString DialogFolder() const;
    void CreateFileDialogs();

    TConfigHost& host_;
};

// Shows the configuration dialog modally, pre-filled from the host's current
// configuration file (or, without one, from its enabled link slots). On OK
// the configuration is applied to the host and its current configuration
// file set; returns whether the dialog closed with OK.
bool ShowConfigDialog(TConfigHost& host, QWidget* parent = nullptr);
