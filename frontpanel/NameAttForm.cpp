#include "frontpanel/NameAttForm.h"

#include "support/WindowPlacement.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

// --- TNameMask -------------------------------------------------------------

void TNameMask::SetText(const std::string& text) {
    text_ = text.substr(0, Positions);
    text_.resize(Positions, Empty);
}

bool TNameMask::Accepts(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool TNameMask::Type(char c, int& cursor) {
    if (!Accepts(c) || cursor < 0 || cursor >= Positions) return false;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    text_[static_cast<std::size_t>(cursor)] = c;
    ++cursor;
    return true;
}

void TNameMask::Clear(int first, int count) {
    for (int i = std::max(first, 0); i < std::min(first + count, Positions); ++i)
        text_[static_cast<std::size_t>(i)] = Empty;
}

void TNameMask::Backspace(int& cursor) {
    if (cursor <= 0) return;
    cursor = std::min(cursor, Positions) - 1;
    Clear(cursor, 1);
}

void TNameMask::Delete(int cursor) {
    Clear(cursor, 1);
}

std::string TNameMask::Name() const {
    std::string name = text_;
    for (char& c : name)
        if (c == Empty) c = ' ';
    return name;
}

// --- TNameMaskEdit ---------------------------------------------------------

TNameMaskEdit::TNameMaskEdit(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(TNameMask::Positions);
    // Every change goes through the mask: no drops, no input methods, no
    // context menu with its own paste and undo.
    setDragEnabled(false);
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    Show(0);
}

void TNameMaskEdit::SetEditText(const std::string& text) {
    mask_.SetText(text);
    Show(0);
}

void TNameMaskEdit::Show(int cursor) {
    setText(QString::fromLatin1(mask_.Text().data(), TNameMask::Positions));
    setCursorPosition(cursor);
}

void TNameMaskEdit::ClearSelection(int& cursor) {
    if (!hasSelectedText()) return;
    cursor = selectionStart();
    mask_.Clear(cursor, static_cast<int>(selectedText().size()));
}

void TNameMaskEdit::TypeText(const QString& text) {
    int cursor = cursorPosition();
    bool changed = false;
    for (QChar ch : text) {
        const char c = ch.toLatin1();
        if (!TNameMask::Accepts(c)) continue;
        if (!changed) ClearSelection(cursor);
        changed = mask_.Type(c, cursor) || changed;
    }
    if (changed) Show(cursor);
}

void TNameMaskEdit::keyPressEvent(QKeyEvent* event) {
    int cursor = cursorPosition();
    if (event == QKeySequence::Paste) {
        TypeText(QApplication::clipboard()->text());
    } else if (event == QKeySequence::Cut) {
        if (hasSelectedText()) {
            copy();
            ClearSelection(cursor);
            Show(cursor);
        }
    } else if (event == QKeySequence::Undo || event == QKeySequence::Redo) {
        // Undo could bring back texts the mask never made.
    } else if (event->key() == Qt::Key_Backspace) {
        if (hasSelectedText())
            ClearSelection(cursor);
        else
            mask_.Backspace(cursor);
        Show(cursor);
    } else if (event->key() == Qt::Key_Delete) {
        if (hasSelectedText())
            ClearSelection(cursor);
        else
            mask_.Delete(cursor);
        Show(cursor);
    } else if (!event->text().isEmpty() && event->text().at(0).isPrint() &&
               !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        TypeText(event->text());
    } else {
        // Moving, selecting, copying, Enter and Escape. A line-editing key
        // that would change the text behind the mask's back is undone.
        QLineEdit::keyPressEvent(event);
        if (text() != QString::fromLatin1(mask_.Text().data(), TNameMask::Positions))
            Show(std::min(cursorPosition(), TNameMask::Positions));
        return;
    }
    event->accept();
}

// --- TNameAttForm ----------------------------------------------------------

TNameAttForm::TNameAttForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NameAttForm"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(251, 165);

    GroupBox1 = new QGroupBox(QStringLiteral("Name of attenuator"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 225, 73);
    Label1 = new QLabel(QStringLiteral("Enter 4 characters [A..Z,0..9]"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 16, 201, 16);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    MaskEdit = new TNameMaskEdit(GroupBox1);
    MaskEdit->setObjectName(QStringLiteral("MaskEdit"));
    MaskEdit->setGeometry(16, 40, 186, 21);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(16, 96, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(152, 96, 75, 25);
    BitBtn2->setAutoDefault(false);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    MaskEdit->setFocus();
}

bool NameAttenuator(int n, std::string& name, QWidget* parent) {
    TNameAttForm form(parent);
    form.setWindowTitle(QStringLiteral("Name / Rename att %1").arg(n));
    form.MaskEdit->SetEditText(name);
    CentreOnScreen(&form);
    if (form.exec() != QDialog::Accepted) return false;
    name = form.MaskEdit->Mask().Name();
    return true;
}
