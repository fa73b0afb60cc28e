#include "config/ConfigForm.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>

#include "support/FileDialogName.h"
#include "support/IniFile.h"
#include "support/WindowPlacement.h"

namespace {

QString Text(const std::string& s) {
    return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Std(const QString& s) {
    return s.toLocal8Bit().toStdString();
}

std::string PathStd(const QString& s) {
    return QFile::encodeName(s).toStdString();
}

const char* const FileFilter = "Configuration files (*.cfg)";

// A message box of its own (no owner window), as the rules and the file
// errors are reported; details, when given, say why.
void ShowError(const QString& text, const QString& details = {}) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error."), text, QMessageBox::Ok);
    box.setInformativeText(details);
    box.exec();
}

// Loads a configuration file for the dialog; a file that could not be read
// in full is reported, and nothing is loaded.
bool LoadForDialog(const std::string& path, RackConfiguration& config) {
    TFileReadStatus status;
    config = LoadConfigFile(path, &status);
    if (ReadInFull(status)) return true;
    ShowError(Text(path + " " + FileReadProblem(status) + "; nothing was loaded."));
    return false;
}

}  // namespace

TConfigForm::TConfigForm(TConfigHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName(QStringLiteral("ConfigForm"));
    setWindowTitle(QStringLiteral("Quadrell Configuration"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(8);
    setFont(f);
    setFixedSize(506, 235);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 8, 393, 41);

    Label17 = new QLabel(QStringLiteral("Atts password : "), Panel1);
    Label17->setObjectName(QStringLiteral("Label17"));
    Label17->hide();
    RackPasswordEdit = new QLineEdit(Panel1);
    RackPasswordEdit->setObjectName(QStringLiteral("RackPasswordEdit"));
    RackPasswordEdit->setMaxLength(6);
    RackPasswordEdit->setEchoMode(QLineEdit::Password);
    RackPasswordEdit->hide();

    LoadCfgBtn = new QPushButton(QStringLiteral("&Load Config"), Panel1);
    LoadCfgBtn->setObjectName(QStringLiteral("LoadCfgBtn"));
    LoadCfgBtn->setGeometry(8, 8, 89, 25);
    LoadCfgBtn->setAutoDefault(false);
    StoreCfgBtn = new QPushButton(QStringLiteral("&Store Config"), Panel1);
    StoreCfgBtn->setObjectName(QStringLiteral("StoreCfgBtn"));
    StoreCfgBtn->setGeometry(104, 8, 89, 25);
    StoreCfgBtn->setAutoDefault(false);
    ConfigName = new QLabel(Panel1);
    ConfigName->setObjectName(QStringLiteral("ConfigName"));
    ConfigName->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ConfigName->setGeometry(200, 10, 185, 21);

    OkBtn = new QPushButton(QStringLiteral("&Ok"), this);
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    OkBtn->setGeometry(417, 8, 81, 25);
    OkBtn->setAutoDefault(false);
    CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(417, 40, 81, 25);
    CancelBtn->setAutoDefault(false);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(8, 72, 490, 129);
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Rack 1"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Rack 2"));
    BuildRackPage(TabSheet1, 1, GroupBox1, Label1, EditRackIPAddress1, Label4, EditRackName1, EnableAttRack1,
                  FloorAttRack1);
    BuildRackPage(TabSheet2, 2, GroupBox2, Label5, EditRackIPAddress2, Label2, EditRackName2, EnableAttRack2,
                  FloorAttRack2);
    PageControl1->setCurrentIndex(0);

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(8, 208, 490, 20);
    Label3->setAlignment(Qt::AlignCenter);
    QFont bold = Label3->font();
    bold.setBold(true);
    Label3->setFont(bold);

    setTabOrder(RackPasswordEdit, LoadCfgBtn);
    setTabOrder(LoadCfgBtn, StoreCfgBtn);
    setTabOrder(StoreCfgBtn, OkBtn);
    setTabOrder(OkBtn, CancelBtn);
    setTabOrder(CancelBtn, PageControl1);

    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(LoadCfgBtn, &QPushButton::clicked, this, &TConfigForm::LoadCfgBtnClick);
    connect(StoreCfgBtn, &QPushButton::clicked, this, &TConfigForm::StoreCfgBtnClick);
    for (QLineEdit* edit : {EditRackIPAddress1, EditRackIPAddress2, EditRackName1, EditRackName2})
        connect(edit, &QLineEdit::textChanged, this, &TConfigForm::IP_MaskEditChange);
    for (auto* floors : {&FloorAttRack1, &FloorAttRack2})
        for (QLineEdit* edit : *floors) connect(edit, &QLineEdit::textChanged, this, &TConfigForm::IP_MaskEditChange);
    for (auto* boxes : {&EnableAttRack1, &EnableAttRack2})
        for (QCheckBox* box : *boxes) connect(box, &QCheckBox::toggled, this, &TConfigForm::EnableAtt1Rack8Click);
}

void TConfigForm::BuildRackPage(QWidget* page, int rack, QGroupBox*& group, QLabel*& ipLabel, QLineEdit*& ipEdit,
                                QLabel*& nameLabel, QLineEdit*& nameEdit,
                                std::array<QCheckBox*, AttsPerRack>& boxes,
                                std::array<QLineEdit*, AttsPerRack>& floors) {
    const QString r = QString::number(rack);
    group = new QGroupBox(QStringLiteral(" Rack %1 - 4 attenuators ").arg(r), page);
    group->setObjectName(QStringLiteral("GroupBox%1").arg(r));
    group->setGeometry(4, 4, 474, 92);

    nameLabel = new QLabel(QStringLiteral("Rack name : "), group);
    nameLabel->setObjectName(rack == 1 ? QStringLiteral("Label4") : QStringLiteral("Label2"));
    nameLabel->setGeometry(16, 56, 70, 16);
    nameLabel->hide();
    nameEdit = new QLineEdit(group);
    nameEdit->setObjectName(QStringLiteral("EditRackName%1").arg(r));
    nameEdit->setGeometry(88, 52, 160, 21);
    nameEdit->hide();

    ipLabel = new QLabel(QStringLiteral("Rack IP :"), group);
    ipLabel->setObjectName(rack == 1 ? QStringLiteral("Label1") : QStringLiteral("Label5"));
    ipLabel->setGeometry(16, 32, 64, 16);
    ipEdit = new QLineEdit(group);
    ipEdit->setObjectName(QStringLiteral("EditRackIPAddress%1").arg(r));
    ipEdit->setGeometry(88, 28, 160, 21);
    ipLabel->setBuddy(ipEdit);

    for (int k = 0; k < AttsPerRack; ++k) {
        boxes[k] = new QCheckBox(QStringLiteral("Att %1").arg(k + 1), group);
        boxes[k]->setObjectName(QStringLiteral("EnableAtt%1Rack%2").arg(k + 1).arg(r));
        boxes[k]->setGeometry(262 + (k % 2) * 106, 28 + (k / 2) * 28, 48, 20);
        // The floor beside its box: the lowest attenuation the program sends
        // to that attenuator, in dB; empty for none.
        floors[k] = new QLineEdit(group);
        floors[k]->setObjectName(QStringLiteral("FloorAtt%1Rack%2").arg(k + 1).arg(r));
        floors[k]->setGeometry(310 + (k % 2) * 106, 27 + (k / 2) * 28, 54, 21);
        floors[k]->setPlaceholderText(QStringLiteral("min dB"));
        floors[k]->setToolTip(
            QStringLiteral("Floor of Att %1: its lowest attenuation in dB (0 to 110; empty: none)").arg(k + 1));
        floors[k]->setAccessibleName(QStringLiteral("Att %1 minimum dB").arg(k + 1));
    }
    // Name edit, Att 1, IP edit, Att 3, Att 2, Att 4, each box before its floor.
    setTabOrder(nameEdit, boxes[0]);
    setTabOrder(boxes[0], floors[0]);
    setTabOrder(floors[0], ipEdit);
    setTabOrder(ipEdit, boxes[2]);
    setTabOrder(boxes[2], floors[2]);
    setTabOrder(floors[2], boxes[1]);
    setTabOrder(boxes[1], floors[1]);
    setTabOrder(floors[1], boxes[3]);
    setTabOrder(boxes[3], floors[3]);
}

RackConfiguration TConfigForm::Record() const {
    RackConfiguration c;
    c.Racks[0].IPAddress = Std(EditRackIPAddress1->text());
    c.Racks[0].Name = Std(EditRackName1->text());
    c.Racks[1].IPAddress = Std(EditRackIPAddress2->text());
    c.Racks[1].Name = Std(EditRackName2->text());
    for (int k = 0; k < AttsPerRack; ++k) {
        c.Racks[0].AttEnabled[k] = EnableAttRack1[k]->isChecked();
        c.Racks[1].AttEnabled[k] = EnableAttRack2[k]->isChecked();
        c.Racks[0].AttMinDb[k] = Std(FloorAttRack1[k]->text().trimmed());
        c.Racks[1].AttMinDb[k] = Std(FloorAttRack2[k]->text().trimmed());
    }
    return c;
}

void TConfigForm::SetRecord(const RackConfiguration& config) {
    for (int k = 0; k < AttsPerRack; ++k) {
        EnableAttRack1[k]->setChecked(config.Racks[0].AttEnabled[k]);
        EnableAttRack2[k]->setChecked(config.Racks[1].AttEnabled[k]);
        FloorAttRack1[k]->setText(Text(config.Racks[0].AttMinDb[k]));
        FloorAttRack2[k]->setText(Text(config.Racks[1].AttMinDb[k]));
    }
    EditRackIPAddress1->setText(Text(config.Racks[0].IPAddress));
    EditRackName1->setText(Text(config.Racks[0].Name));
    EditRackIPAddress2->setText(Text(config.Racks[1].IPAddress));
    EditRackName2->setText(Text(config.Racks[1].Name));
}

void TConfigForm::SetConfigFileName(const std::string& path) {
    CfgFileName = path;
    ConfigName->setText(Text(ConfigFileBaseName(path)));
}

void TConfigForm::IP_MaskEditChange() {
    if (!Loading) SetConfigFileName({});
}

void TConfigForm::EnableAtt1Rack8Click() {
    if (CheckAttCount(Record()))
        Label3->clear();
    else
        Label3->setText(QStringLiteral("!!! %1 attenuators max.").arg(LinkSlotCount));
    IP_MaskEditChange();
}

QString TConfigForm::DialogFolder() const {
    if (!CfgFileName.empty()) return QFileInfo(QFile::decodeName(CfgFileName.c_str())).absolutePath();
    return QFile::decodeName(host_.ConfigDir().c_str());
}

void TConfigForm::CreateFileDialogs() {
    // Made on first use: a file dialog starts watching folders as soon as
    // it exists.
    if (OpenDialog) return;
    OpenDialog = new QFileDialog(this);
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setNameFilter(QString::fromLatin1(FileFilter));
    OpenDialog->setDefaultSuffix(QStringLiteral("cfg"));
    SaveDialog = new QFileDialog(this);
    SaveDialog->setObjectName(QStringLiteral("SaveDialog"));
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setFileMode(QFileDialog::AnyFile);
    SaveDialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    SaveDialog->setNameFilter(QString::fromLatin1(FileFilter));
    SaveDialog->setDefaultSuffix(QStringLiteral("cfg"));
}

void TConfigForm::LoadCfgBtnClick() {
    CreateFileDialogs();
    OpenDialog->setWindowTitle(QStringLiteral("Open configuration file"));
    OpenDialog->setDirectory(DialogFolder());
    ClearFileName(OpenDialog);
    if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty()) return;
    const std::string path = PathStd(OpenDialog->selectedFiles().constFirst());
    RackConfiguration config;
    if (!LoadForDialog(path, config)) return;
    SetRecord(config);
    SetConfigFileName(path);
}

void TConfigForm::StoreCfgBtnClick() {
    CreateFileDialogs();
    SaveDialog->setWindowTitle(QStringLiteral("Save configuration file"));
    SaveDialog->setDirectory(DialogFolder());
    ClearFileName(SaveDialog);
    if (SaveDialog->exec() != QDialog::Accepted || SaveDialog->selectedFiles().isEmpty()) return;
    const std::string path = PathStd(SaveDialog->selectedFiles().constFirst());
    try {
        StoreConfigFile(path, Record());
    } catch (const TFileWriteError& e) {
        ShowError(QString::fromUtf8(e.what()), Text(e.Reason()));
        return;
    }
    SetConfigFileName(path);
}

void TConfigForm::done(int result) {
    if (result == QDialog::Accepted) {
        const std::vector<std::string> errors = ConfigErrors(Record());
        for (const std::string& message : errors) ShowError(Text(message));
        if (!errors.empty()) return;
    }
    QDialog::done(result);
}

bool ShowConfigDialog(TConfigHost& host, QWidget* parent) {
    TConfigForm form(host, parent);
    form.Loading = true;
    const std::string current = host.ConfigFile();
    RackConfiguration loaded;
    // A current file that cannot be read is reported; the dialog then shows
    // the slots as they are, as without a current file.
    if (!current.empty() && LoadForDialog(current, loaded)) {
        form.SetConfigFileName(current);
        form.SetRecord(loaded);
    } else {
        // Rebuilt from the slots: empty texts and names, no enabled flag to
        // start with.
        RackConfiguration config;
        FillFromLinks(host, config);
        form.SetRecord(config);
    }
    form.Loading = false;
    CentreOnScreen(&form);
    const bool ok = form.exec() == QDialog::Accepted;
    if (ok) {
        ApplyConfig(form.Record(), host);
        host.SetConfigFile(form.CfgFileName);
    }
    return ok;
}
