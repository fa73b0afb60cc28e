#include "frontpanel/MainForm.h"

#include "frontpanel/AttGroupBox.h"
#include "config/ConfigForm.h"
#include "frontpanel/MenuBarStyle.h"
#include "frontpanel/PanelPicture.h"
#include "frontpanel/SequencerHost.h"
#include "sequencer/SequencerForm.h"
#include "support/WindowPlacement.h"
#include "support/FilePaths.h"
#include "support/VersionTitle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>

#include <thread>

namespace {

constexpr int kClientWidth = 564;
constexpr int kClientHeight = 422;
constexpr int kBoxLefts[4] = {16, 152, 288, 424};
constexpr int kButtonLefts[4] = {48, 184, 320, 456};

}  // namespace

TMainForm::TMainForm(const TMainFormOptions& options, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      options_(options),
      bench_(std::make_unique<TBench>(options_.LinkTimings)) {
    BuildComponents();
    BuildMenu();
    // The bench's eight links exist from the start, not yet started; the
    // window is the first to be told what they report.
    bench_->AddObserver(this);
    TimerRefresh.setInterval(5000);
    TimerRefresh.setTimerType(Qt::PreciseTimer);
    connect(&TimerRefresh, &QTimer::timeout, this, &TMainForm::TimerRefreshTimer);
    SetSequencerEntry(OpenSequencerList);
    adjustSize();
    CentreOnScreen(this);
}

void TMainForm::BuildComponents() {
    auto* client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    for (int i = 0; i < SlotCount; ++i) {
        const int row = i / 4, col = i % 4;
        auto* box = new TAttGroupBox(client);
        box->setObjectName(QStringLiteral("AttGroupBox%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        box->setTitle(QStringLiteral("Attenuator %1").arg(i + 1));
        box->setGeometry(kBoxLefts[col], row == 0 ? 16 : 152, 129, 73);
        connect(box, &TAttGroupBox::Change, this, &TMainForm::AttGroupBox05Change);
        // A refused character: the beep is not heard on every desktop. The
        // first panel is the one wide enough, free but while parking.
        connect(box, &TAttGroupBox::InputRefused, this, [this](const QString& message) {
            if (bench_->Parking()) return;
            StatusPanels[0]->setText(message);
            hintTimer_.start();
        });
        AttGroupBoxes[i] = box;

        auto* button = new QPushButton(QStringLiteral("Name"), client);
        button->setObjectName(QStringLiteral("NameButton%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        button->setGeometry(kButtonLefts[col], row == 0 ? 96 : 232, 65, 25);
        connect(button, &QPushButton::clicked, this, [this, i] { NameButton01Click(i + 1); });
        NameButtons[i] = button;
    }

    StatusBar = new QStatusBar(client);
    StatusBar->setSizeGripEnabled(false);
    const int statusHeight = 19;
    StatusBar->setGeometry(0, kClientHeight - statusHeight, kClientWidth, statusHeight);
    const int widths[3] = {152, 110, 200};
    for (int p = 0; p < 3; ++p) {
        StatusPanels[p] = new QLabel(StatusBar);
        StatusPanels[p]->setFixedWidth(widths[p]);
        StatusPanels[p]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusBar->addWidget(StatusPanels[p]);
    }
    hintTimer_.setSingleShot(true);
    hintTimer_.setInterval(kHintMs);
    hintTimer_.setTimerType(Qt::PreciseTimer);
    connect(&hintTimer_, &QTimer::timeout, this, [this] {
        if (!bench_->Parking()) StatusPanels[0]->clear();  // "WAIT ......." stays
    });

    Panel1 = new QFrame(client);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(0, kClientHeight - statusHeight - 128, kClientWidth, 128);
    Image1 = new QLabel(Panel1);
    Image1->setGeometry(192, 8, 364, 113);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setScaledContents(true);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setPixmap(PanelPicture(QSize(364, 113)));
    Label1 = new QLabel(QStringLiteral("RUD 2i4 Zero"), Panel1);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(27);
    Label1->setFont(font);
    Label1->setStyleSheet(QStringLiteral("color: grey"));
    Label1->move(16, 16);
    Label1->adjustSize();
}

void TMainForm::BuildMenu() {
    QMenuBar* bar = menuBar();
    TMenuBarStyle::Apply(bar);  // icon and caption, not the icon alone
    QStyle* st = style();
    auto add = [&](const QString& text, QStyle::StandardPixmap icon) {
        QAction* a = bar->addAction(QIcon(st->standardIcon(icon).pixmap(16, 16)), text);
        return a;
    };
    miExit = add(QStringLiteral("&Exit"), QStyle::SP_DialogCloseButton);
    miConfiguration = add(QStringLiteral("&Configuration"), QStyle::SP_FileDialogDetailedView);
    miRefresh = add(QStringLiteral("&Refresh"), QStyle::SP_BrowserReload);
    miSequencer = add(QStringLiteral("&Sequencer"), QStyle::SP_MediaPlay);
    miHelpIndex = add(QStringLiteral("&Help"), QStyle::SP_DialogHelpButton);
    connect(miExit, &QAction::triggered, this, &QWidget::close);
    connect(miConfiguration, &QAction::triggered, this, &TMainForm::miConfigurationClick);
    connect(miRefresh, &QAction::triggered, this, &TMainForm::miRefreshClick);
    connect(miSequencer, &QAction::triggered, this, &TMainForm::miSequencerClick);
    connect(miHelpIndex, &QAction::triggered, this, &TMainForm::miHelpIndexClick);
    miSequencer->setEnabled(false);
}

bool TMainForm::FormCreate() {
    // Title from the program's version information.
    setWindowTitle(QString::fromStdString(VersionTitle()));
    // Help file and viewer; F1 with a context number reaches HelpRequest.
    help_.Start(THelpBinding::HelpFileFor(options_.HelpFile), miHelpIndex);
    // Every box waits for its first report.
    for (int i = 0; i < SlotCount; ++i) {
        AttGroupBoxes[i]->setTitle(QStringLiteral("No attenuator"));
        AttGroupBoxes[i]->setEnabled(false);
        NameButtons[i]->setEnabled(false);
    }
    // The eight links were made with the window, not yet started.
    // The settings file and what it remembers.
    settings_.Open(options_.SettingsName);
    if (!settings_.Problem().empty())
        QMessageBox::warning(this, QStringLiteral("Error."), QString::fromLocal8Bit(settings_.Problem()));
    TBenchSlots next = bench_->Slots();
    next.SetConfigFile(settings_.LastConfigFile());
    next.SetConfigDir(settings_.ConfigDir());
    SetSequencesDir(settings_.SequencesDir());
    // Links waiting, boxes in decimal mode up to the common maximum.
    next.ResetLinks();
    ApplySlots(next);
    for (auto* box : AttGroupBoxes) {
        box->SetDecimal(true);
        box->SetMaxValue(bench_->CommonMaxAtt());
    }
    // The configuration; Cancel ends the program through the close path.
    const bool accepted = ShowConfigDialog(next, this);
    if (accepted) ApplySlots(next);
    if (!accepted) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    // No device known yet; the links start connecting.
    sequencerOpen_ = false;
    bench_->Start();
    return accepted;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // A second close request while the attenuators are being parked waits
    // for the first.
    if (bench_->Parking()) {
        event->ignore();
        return;
    }
    if (!bench_->Parked()) {
        Park();
        help_.Close();
    }
    event->accept();
}

void TMainForm::Park() {
    // From here on box changes are ignored; none that is pending may reach
    // an attenuator between or after its park commands.
    for (auto* box : AttGroupBoxes) box->CancelPendingChange();
    StatusPanels[0]->setText(QStringLiteral("WAIT ......."));
    // The close waits for the bench's parking. The links' GUI steps run
    // meanwhile; the operator's input waits, so that no click or key can
    // post anything over a park command. An event loop that is told to end
    // meanwhile does not cut the parking short.
    bool parked = false;
    bench_->Park([&parked] { parked = true; });
    while (!parked)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    StatusPanels[0]->clear();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
}

void TMainForm::CloseOnSignal() {
    if (signalClosed_) return;
    signalClosed_ = true;
    // A run ends first, so that nothing more of it goes out once the
    // attenuators are being parked; the list window and its graph close.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* list = qobject_cast<TSequencerForm*>(w)) list->CloseForProgramEnd();
    // Every other window open over the panel closes without its questions:
    // a dialog's own event loop ends once it is hidden, and no window is
    // left to keep the program running after the panel has closed.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible()) w->hide();
    // The sequencer drives nothing any more: the parking is the verified
    // one of "&Exit".
    sequencerOpen_ = false;
    close();
    // Every event loop ends, the modal ones still on the stack included.
    QCoreApplication::exit(0);
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    help_.Stop();
    TimerRefresh.stop();
    // Ask the links to end, link 0 first, and give them the customary pause.
    bench_->Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (settings_.IsOpen()) {
        try {
            settings_.Write(ConfigHost().ConfigDir(), sequencesDir_, ConfigHost().ConfigFile());
        } catch (const std::exception& e) {
            QMessageBox::critical(nullptr, QStringLiteral("Error."), QString::fromStdString(e.what()));
        }
        settings_.Close();
    }
    // Every wait of a link is interrupted by its termination and its pending
    // GUI step is released, so joining them is bounded.
    bench_->RemoveObserver(this);
    bench_.reset();
}
