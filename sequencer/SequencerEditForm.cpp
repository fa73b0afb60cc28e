#include "sequencer/SequencerEditForm.h"

#include "sequencer/SequenceEditorModel.h"
#include "sequencer/SequenceLine.h"
#include "support/FileDialogName.h"
#include "support/UserFolders.h"
#include "support/WaitCursor.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

QString Text(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }
std::string PathStd(const QString& s) { return QFile::encodeName(s).toStdString(); }

// The hourglass for the lifetime of the object, also when an error cuts the
// work short.
struct TWaitCursor {
    TWaitCursor() { BeginWaitCursor(); }
    ~TWaitCursor() { EndWaitCursor(); }
};

}  // namespace

TSequencerEditForm::TSequencerEditForm(TSequenceEditorHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), host_(host) {
    setObjectName(QStringLiteral("SequencerEditForm"));
    setFixedSize(479, 395);
    FormCreate();
    SetFileName(std::string());
}

void TSequencerEditForm::FormCreate() {
    PageControl = new QTabWidget(this);
    PageControl->setGeometry(8, 8, 465, 353);
    TabSheetActions = new QWidget;
    TabSheet1 = new QWidget;
    PageControl->addTab(TabSheetActions, QStringLiteral("&Actions"));
    PageControl->addTab(TabSheet1, QStringLiteral("Attenuators selection"));

    Panel2 = new QFrame(TabSheetActions);
    Panel2->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel2->setGeometry(0, 0, 457, 25);
    const std::pair<const char*, int> headers[] = {{"Nb", 8},    {"Time", 48}, {"Action", 104},
                                                   {"From", 168}, {"To", 248},  {"Duration", 328}};
    for (const auto& [caption, left] : headers) (new QLabel(QString::fromLatin1(caption), Panel2))->move(left, 4);

    ScrollBox1 = new QScrollArea(TabSheetActions);
    ScrollBox1->setGeometry(0, 24, 457, 297);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* rowsArea = new QWidget;
    rowsArea->resize(TSequenceLine::RowWidth, RowCount * TSequenceLine::RowHeight);

    const int maxAtt = host_.CommonMaxAtt();
    Rows.reserve(RowCount);
    for (int i = 1; i <= RowCount; ++i) {
        auto* row = new TSequenceLine(rowsArea);
        row->SetNumber(i);
        row->move(0, (i - 1) * TSequenceLine::RowHeight);
        row->MaxLevel = maxAtt;
        row->LevelTenths = maxAtt > 110;
        row->Loaded();
        row->OnChange = [this](QObject*) { RecomputeTimes(); };
        if (i == 1) row->SetAction(ActionReset);
        // Showing 400 rows of widgets is most of the cost of opening the
        // editor: the rows below the first screenful are held back and
        // shown once the editor is up (showEvent).
        if ((i - 1) * TSequenceLine::RowHeight >= ScrollBox1->height()) row->hide();
        else rowsShown_ = i;
        Rows.push_back(row);
    }
    ScrollBox1->setWidget(rowsArea);
    connect(ScrollBox1->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int top) {
        ShowRowsUpTo((top + ScrollBox1->viewport()->height()) / TSequenceLine::RowHeight + 1);
    });

    for (int n = 1; n <= 8; ++n) {
        auto* box = new QCheckBox(Text(host_.AttCaption(n)), TabSheet1);
        box->setObjectName(QStringLiteral("AttCheckBox%1").arg(n));
        box->move(n <= 4 ? 24 : 248, 24 * ((n - 1) % 4 + 1));
        AttCheckBoxes[n - 1] = box;
    }

    auto button = [this](const char* caption, int left, int width) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setGeometry(left, 368, width, 25);
        b->setAutoDefault(false);
        return b;
    };
    LoadButton = button("&Load...", 8, 97);
    SaveButton = button("&Save as...", 112, 97);
    CancelButton = button("&Cancel", 272, 99);
    OkButton = button("&Ok Save", 376, 97);
    connect(LoadButton, &QPushButton::clicked, this, &TSequencerEditForm::LoadButtonClick);
    connect(SaveButton, &QPushButton::clicked, this, &TSequencerEditForm::SaveButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(OkButton, &QPushButton::clicked, this, &TSequencerEditForm::OkButtonClick);

    PageControl->setCurrentWidget(TabSheetActions);
    // Ctrl+Tab and Ctrl+Shift+Tab turn the page from anywhere in the dialog,
    // also from a row's action list, which would keep the keys to itself.
    for (const auto& [keys, step] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                     std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1}}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [this, step = step] {
            const int pages = PageControl->count();
            PageControl->setCurrentIndex((PageControl->currentIndex() + step + pages) % pages);
        });
    }
}

void TSequencerEditForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // The held-back rows follow in batches between the events of the
    // editor, the first screenful being drawn already.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        ShowRowsUpTo(rowsShown_ + 25);
        if (rowsShown_ >= static_cast<int>(Rows.size())) timer->deleteLater();
    });
    timer->start(0);
}

void TSequencerEditForm::ShowRowsUpTo(int count) {
    count = std::min(count, static_cast<int>(Rows.size()));
    for (; rowsShown_ < count; ++rowsShown_) Rows[rowsShown_]->show();
}

void TSequencerEditForm::SetFileName(const std::string& name) {
    fileName_ = name;
    if (name.empty())
        setWindowTitle(QStringLiteral("Sequence Editor"));
    else
        setWindowTitle(QStringLiteral("Sequence Editor [") + QFileInfo(Text(name)).fileName() + QLatin1Char(']'));
}

bool TSequencerEditForm::AnyAttenuatorSelected() const {
    for (const QCheckBox* box : AttCheckBoxes)
        if (box->isChecked()) return true;
    return false;
}

bool TSequencerEditForm::LoadSequence(const std::string& name, std::string& error) {
    TEditorFileContent content;
    if (!ReadEditorSequence(name, RowCount, content, error)) return false;
    for (int n = 0; n < 8; ++n) AttCheckBoxes[n]->setChecked(content.Selected[n]);
    // A change of To or Duration recomputes the times as it is made, and a
    // line that changes neither keeps the time the file gives it. Rather
    // than recompute all rows after each line, the load holds the recompute
    // and keeps, as plain data, the rows as they stood after the last line
    // that changed something; one recompute of those at the end gives the
    // same times. Rows that lines after that one touched keep their file
    // times.
    std::vector<TActionRow> current(Rows.size());
    for (std::size_t i = 0; i < Rows.size(); ++i) current[i] = RowData(i);
    std::vector<TActionRow> atLastChange;
    // Rows set since the last change; before the first one, every row, as
    // its recompute looks at all of them.
    std::vector<std::size_t> touched(Rows.size());
    for (std::size_t i = 0; i < Rows.size(); ++i) touched[i] = i;
    loading_ = true;
    for (const TActionRow& line : content.Rows) {
        const std::size_t i = static_cast<std::size_t>(line.Num - 1);
        TSequenceLine* row = Rows[i];
        changedWhileLoading_ = false;
        row->SetTime(ClampEditorTime(line.Time));
        const int action = line.Action & 0xFF;
        row->SetAction(action);
        row->SetFromValue(line.From);
        row->SetToValue((action == ActionGoto || action == ActionRepeat) && line.To < 1 ? 1 : line.To);
        row->SetDurationValue(line.Duration);
        touched.push_back(i);
        if (changedWhileLoading_) {
            // The recompute this change stands for clears the duration of
            // every "Reset" and "Goto" row; only rows set since the last
            // one can hold one.
            for (const std::size_t t : touched) {
                if ((Rows[t]->Action() == ActionReset || Rows[t]->Action() == ActionGoto) &&
                    Rows[t]->DurationValue() != 0)
                    Rows[t]->SetDurationValue(0);
                current[t] = RowData(t);
            }
            touched.clear();
            atLastChange = current;
        } else {
            current[i] = RowData(i);
        }
    }
    loading_ = false;
    if (atLastChange.empty()) return true;
    RecomputeEditorTimes(atLastChange);
    std::vector<bool> keepsFileTime(Rows.size(), false);
    for (const std::size_t t : touched) keepsFileTime[t] = true;
    for (std::size_t i = 0; i < Rows.size(); ++i)
        if (!keepsFileTime[i]) Rows[i]->SetTime(atLastChange[i].Time);
    return true;
}

TActionRow TSequencerEditForm::RowData(std::size_t i) const {
    const TSequenceLine* row = Rows[i];
    TActionRow r;
    r.Time = row->Time();
    r.Action = row->Action();
    r.To = row->ToValue();
    r.Duration = row->DurationValue();
    return r;
}

bool TSequencerEditForm::SaveSequence(const std::string& name, std::string& error) {
    std::array<bool, 8> selected{};
    for (int n = 0; n < 8; ++n) selected[n] = AttCheckBoxes[n]->isChecked();
    std::vector<TActionRow> rows;
    rows.reserve(Rows.size());
    for (const TSequenceLine* row : Rows)
        rows.push_back({row->Number(), row->Time(), row->Action(), row->FromValue(), row->ToValue(),
                        row->DurationValue()});
    return SaveSequenceFile(name, BuildEditorFile(selected, rows), error);
}

void TSequencerEditForm::RecomputeTimes() {
    if (loading_) {
        changedWhileLoading_ = true;
        return;
    }
    // Clearing a duration below fires this again; that change is already
    // counted in.
    if (recomputing_) return;
    recomputing_ = true;
    std::vector<TActionRow> rows(Rows.size());
    for (std::size_t i = 0; i < Rows.size(); ++i) rows[i] = RowData(i);
    RecomputeEditorTimes(rows);
    for (std::size_t i = 0; i < Rows.size(); ++i) {
        if ((rows[i].Action == ActionReset || rows[i].Action == ActionGoto) && Rows[i]->DurationValue() != 0)
            Rows[i]->SetDurationValue(0);
        Rows[i]->SetTime(rows[i].Time);
    }
    recomputing_ = false;
}

void TSequencerEditForm::CreateFileDialogs() {
    if (OpenDialog) return;
    const QString filter = QStringLiteral("Sequence files (*.sqc)");
    OpenDialog = new QFileDialog(this);
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setOption(QFileDialog::DontUseNativeDialog, true);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setNameFilter(filter);
    OpenDialog->setDefaultSuffix(QStringLiteral("sqc"));
    SaveDialog = new QFileDialog(this);
    SaveDialog->setObjectName(QStringLiteral("SaveDialog"));
    SaveDialog->setOption(QFileDialog::DontUseNativeDialog, true);
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setFileMode(QFileDialog::AnyFile);
    SaveDialog->setNameFilter(filter);
    SaveDialog->setDefaultSuffix(QStringLiteral("sqc"));
}

QString TSequencerEditForm::DialogFolder() const { return Text(host_.SequencesDir()); }

void TSequencerEditForm::ShowFileError(const std::string& error) {
    QMessageBox::critical(this, QStringLiteral("Error."), Text(error));
}

void TSequencerEditForm::LoadButtonClick() {
    CreateFileDialogs();
    OpenDialog->setWindowTitle(QStringLiteral("Open sequence file"));
    OpenDialog->setDirectory(DialogFolder());
    ClearFileName(OpenDialog);
    if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty()) return;
    const QString chosen = OpenDialog->selectedFiles().constFirst();
    std::string error;
    bool loaded;
    {
        TWaitCursor wait;
        loaded = LoadSequence(PathStd(chosen), error);
    }
    if (!loaded) {
        // The editor keeps its name, so "&Ok Save" never overwrites the file
        // that could not be read.
        ShowFileError(error);
        return;
    }
    SetFileName(PathStd(chosen));
    RecomputeTimes();
    host_.SetSequencesDir(AddTrailingSeparator(PathStd(QFileInfo(chosen).absolutePath())));
}

TSequencerEditForm::TSaveResult TSequencerEditForm::SaveAs() {
    if (!AnyAttenuatorSelected()) {
        QMessageBox::warning(this, QString::fromLatin1(SequenceErrorTitle),
                             QStringLiteral("Select attenuators before save !"));
        return TSaveResult::Failed;
    }
    CreateFileDialogs();
    SaveDialog->setWindowTitle(QStringLiteral("Save sequence file"));
    SaveDialog->setDirectory(DialogFolder());
    ClearFileName(SaveDialog);
    if (SaveDialog->exec() != QDialog::Accepted || SaveDialog->selectedFiles().isEmpty())
        return TSaveResult::Cancelled;
    const QString chosen = SaveDialog->selectedFiles().constFirst();
    // The editor takes the new name only once the file is written, so that
    // "&Ok Save" never aims at a file that could not be written.
    std::string error;
    if (!SaveSequence(PathStd(chosen), error)) {
        ShowFileError(error);
        return TSaveResult::Failed;
    }
    SetFileName(PathStd(chosen));
    host_.SetSequencesDir(AddTrailingSeparator(PathStd(QFileInfo(chosen).absolutePath())));
    return TSaveResult::Saved;
}

void TSequencerEditForm::SaveButtonClick() { SaveAs(); }

void TSequencerEditForm::OkButtonClick() {
    if (!AnyAttenuatorSelected()) {
        QMessageBox::warning(this, QString::fromLatin1(SequenceErrorTitle),
                             QStringLiteral("Select attenuators before leaving !"));
        return;
    }
    // The save is part of closing: one that fails keeps the rows on screen.
    if (!fileName_.empty()) {
        std::string error;
        if (!SaveSequence(fileName_, error)) {
            ShowFileError(error);
            return;
        }
    } else if (SaveAs() == TSaveResult::Failed) {
        return;  // a declined name closes without saving
    }
    accept();
}

bool OpenSequenceEditor(TSequenceEditorHost& host, const std::string& fileName, QWidget* parent) {
    std::unique_ptr<TSequencerEditForm> form;
    std::string error;
    bool loaded = true;
    {
        TWaitCursor wait;
        form = std::make_unique<TSequencerEditForm>(host, parent);
        form->SetFileName(fileName);
        if (!fileName.empty()) loaded = form->LoadSequence(fileName, error);
    }
    if (!loaded) {
        QMessageBox::critical(parent, QStringLiteral("Error."), Text(error));
        return false;
    }
    return form->exec() == QDialog::Accepted;
}
