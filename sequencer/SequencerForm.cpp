#include "sequencer/SequencerForm.h"

#include "sequencer/SequencePaths.h"
#include "graph/WindowFrame.h"
#include "graph/SequencerGraphForm.h"
#include "sequencer/ProfileFile.h"
#include "support/FileDialogName.h"
#include "support/FilePaths.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>

namespace {

constexpr int kClientWidth = 485;
constexpr int kShortHeight = 229;  // outer heights: without and with the log
constexpr int kTallHeight = 354;

QString Text(const std::string& s) { return QFile::decodeName(s.c_str()); }
std::string PathStd(const QString& s) { return QFile::encodeName(s).toStdString(); }

// Draws each row's full path shortened to the row's width.
class TPathDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QFontMetrics metrics(opt.font);
        const std::string path = PathStd(index.data(Qt::DisplayRole).toString());
        const int room = opt.rect.width() - 2;
        opt.text = Text(ShortenPath(path, room, [&](const std::string& s) {
            return metrics.horizontalAdvance(Text(s));
        }));
        opt.textElideMode = Qt::ElideNone;
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(13, QFontMetrics(option.font).height()));
        return size;
    }
};

}  // namespace

TSequencerForm::TSequencerForm(TSequencerHost& host)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      host_(host),
      run_(host.Run()) {
    setObjectName(QStringLiteral("SequencerForm"));
    setWindowTitle(QStringLiteral("Sequence List"));

    LBSequence = new QListWidget(this);
    LBSequence->setObjectName(QStringLiteral("LBSequence"));
    LBSequence->setGeometry(8, 8, 385, 185);
    LBSequence->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LBSequence->setUniformItemSizes(true);
    LBSequence->setItemDelegate(new TPathDelegate(LBSequence));
    connect(LBSequence, &QListWidget::itemDoubleClicked, this, [this] { ButtonEditClick(); });

    auto button = [this](const char* caption, int left, int top, int width, int height) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setGeometry(left, top, width, height);
        b->setAutoDefault(false);
        return b;
    };
    ButtonRun = button("&Run", 400, 8, 75, 25);
    ButtonStop = button("&Stop", 400, 40, 75, 25);
    GraphButton = button("Graph", 400, 80, 43, 17);
    ButtonMainVisible = button("----", 456, 80, 19, 17);
    ButtonLoad = button("&Load...", 400, 104, 75, 25);
    ButtonEdit = button("&Edit", 400, 136, 75, 25);
    ButtonRemove = button("&Remove", 400, 168, 75, 25);
    ButtonStop->setEnabled(false);
    connect(ButtonRun, &QPushButton::clicked, this, &TSequencerForm::ButtonRunClick);
    connect(ButtonStop, &QPushButton::clicked, this, &TSequencerForm::ButtonStopClick);
    connect(GraphButton, &QPushButton::clicked, this, &TSequencerForm::GraphButtonClick);
    connect(ButtonMainVisible, &QPushButton::clicked, this, &TSequencerForm::ButtonMainVisibleClick);
    connect(ButtonLoad, &QPushButton::clicked, this, &TSequencerForm::ButtonLoadClick);
    connect(ButtonEdit, &QPushButton::clicked, this, &TSequencerForm::ButtonEditClick);
    connect(ButtonRemove, &QPushButton::clicked, this, &TSequencerForm::ButtonRemoveClick);

    MemoLog = new QPlainTextEdit(this);
    MemoLog->setGeometry(8, 208, 465, 113);
    MemoLog->setReadOnly(true);
    MemoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLog->setStyleSheet(QStringLiteral("background: blue; color: yellow; font-family: 'Courier New';"));
    // Out of sight while empty (the short window hides it): no tab stop then.
    MemoLog->setFocusPolicy(Qt::NoFocus);
    connect(MemoLog, &QPlainTextEdit::textChanged, this, &TSequencerForm::MemoLogChange);

    resize(kClientWidth, 327);
    SetOuterSize(this, QSize(0, kShortHeight), TFrameFit::Fixed);

    // FormCreate: the graph window, hidden, a top-level window of its own
    // (a child of this modal window, so that it takes input while the list
    // is open, and untouched when the main window is hidden).
    graph_ = std::make_unique<TSequencerGraphForm>(host_.GraphHost(), this);
    run_.AddObserver(this);
    // A run already under way (a script's) is shown as it goes.
    if (run_.State() != TBenchRunState::Idle) RunStateChanged(run_.State());
}

TSequencerForm::~TSequencerForm() {
    run_.RemoveObserver(this);
    // Nothing of a start being analysed is sent or recorded; a run still
    // going ends with the program.
    starting_ = false;
    run_.EndForProgramClose();
}

void TSequencerForm::Message(const char* text) {
    QMessageBox::warning(this, QString::fromLatin1(SequenceErrorTitle), QString::fromLatin1(text));
}

void TSequencerForm::SetRunning(bool value) {
    LockControls(value);
    setWindowTitle(value ? QStringLiteral("Sequence List [Running...]") : QStringLiteral("Sequence List"));
}

void TSequencerForm::SetAnalyzing(bool value) {
    // As while running: the list cannot change under the analysis, a second
    // "&Run" cannot come, and "&Stop" gives the start up.
    LockControls(value);
    setWindowTitle(value ? QStringLiteral("Sequence List [Analyzing...]") : QStringLiteral("Sequence List"));
}

void TSequencerForm::SetArmed() {
    // A script armed a run: it waits for its start, and "&Stop" (which
    // disarms it) is the only other way out.
    LockControls(true);
    setWindowTitle(QStringLiteral("Sequence List [Armed...]"));
}

void TSequencerForm::LockControls(bool busy) {
    for (QWidget* w : {static_cast<QWidget*>(ButtonRun), static_cast<QWidget*>(ButtonLoad),
                       static_cast<QWidget*>(ButtonEdit), static_cast<QWidget*>(ButtonRemove),
                       static_cast<QWidget*>(LBSequence)})
        w->setEnabled(!busy);
    ButtonStop->setEnabled(busy);
}

std::vector<std::string> TSequencerForm::Files() const {
    std::vector<std::string> files;
    for (int i = 0; i < LBSequence->count(); ++i) files.push_back(PathStd(LBSequence->item(i)->text()));
    return files;
}

void TSequencerForm::AddFiles(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        std::string listed;
        for (const std::string& row : Files())
            if (SameFile(row, file)) {
                listed = row;
                break;
            }
        if (listed.empty()) {
            LBSequence->addItem(Text(file));
            continue;
        }
        std::string line = "Already listed, not added: " + file;
        if (listed != file) line += " (the same file as " + listed + ")";
        MemoLog->appendPlainText(Text(line));
    }
}

void TSequencerForm::ButtonRunClick() {
    if (run_.Busy() || starting_) return;
    std::vector<std::string> files;
    for (int i = 0; i < LBSequence->count(); ++i)
        if (LBSequence->item(i)->isSelected()) files.push_back(PathStd(LBSequence->item(i)->text()));
    // The bench's run reads and compiles exactly these files on a worker;
    // the window stays responsive meanwhile.
    starting_ = true;
    run_.Run(files, [this](std::optional<TBenchRunRefusal> refusal) { Started(refusal); });
}

void TSequencerForm::ButtonStopClick() {
    if (starting_ && run_.State() != TBenchRunState::Analysing) return;  // a refusal is being shown
    if (run_.State() == TBenchRunState::Analysing) return CancelStart();
    run_.Stop();
}

void TSequencerForm::ButtonLoadClick() {
    if (!OpenDialog) {
        OpenDialog = new QFileDialog(this);
        OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
        OpenDialog->setOption(QFileDialog::DontUseNativeDialog, true);
        OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
        OpenDialog->setFileMode(QFileDialog::ExistingFiles);
        OpenDialog->setNameFilters({QStringLiteral("Sequence files (*.sqc)"), QStringLiteral("Profiles (*.csv)")});
        OpenDialog->setDefaultSuffix(QStringLiteral("sqc"));
    }
    OpenDialog->setWindowTitle(QStringLiteral("Select Sequence to Add"));
    OpenDialog->setDirectory(Text(host_.SequencesDir()));
    ClearFileName(OpenDialog);
    if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty()) return;
    std::vector<std::string> chosen;
    for (const QString& f : OpenDialog->selectedFiles()) chosen.push_back(PathStd(f));
    AddFiles(chosen);
    const QString folder = QFileInfo(OpenDialog->selectedFiles().constLast()).absolutePath();
    host_.SetSequencesDir(PathStd(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')));
}

void TSequencerForm::ButtonEditClick() {
    if (Running()) return;
    std::string file;
    if (!LBSequence->selectedItems().isEmpty() && LBSequence->currentItem())
        file = PathStd(LBSequence->currentItem()->text());
    if (IsProfileFileName(file)) {
        QMessageBox::information(this, QStringLiteral("Profile."),
                                 Text("\"" + file + "\" is a profile. Profiles are edited outside the program, "
                                      "in a spreadsheet or a text editor, and read again at every run."));
        return;
    }
    OpenSequenceEditor(host_, file, this);
}

void TSequencerForm::ButtonRemoveClick() {
    if (Running()) return;
    for (QListWidgetItem* item : LBSequence->selectedItems()) delete item;
}

void TSequencerForm::GraphButtonClick() {
    graph_->setVisible(!graph_->isVisible());
    activateWindow();
}

void TSequencerForm::ButtonMainVisibleClick() {
    host_.SetMainVisible(!host_.MainVisible());
    activateWindow();
}

void TSequencerForm::MemoLogChange() {
    const bool empty = MemoLog->document()->isEmpty();
    SetOuterSize(this, QSize(0, empty ? kShortHeight : kTallHeight), TFrameFit::Fixed);
    MemoLog->setFocusPolicy(empty ? Qt::NoFocus : Qt::StrongFocus);
}

void TSequencerForm::reject() {
    // FormCloseQuery: the close box and Escape both come here.
    if (Running() || run_.State() == TBenchRunState::Armed) {
        Message("STOP before leaving !");
        return;
    }
    if (!host_.MainVisible()) host_.SetMainVisible(true);
    graph_->hide();
    QDialog::reject();
    // Told once the window is on its way out, so that whoever waits for the
    // start sees it closing.
    CancelStart();
}

void ShowSequencerForm(TSequencerHost& host) {
    TSequencerForm form(host);
    form.exec();
}
