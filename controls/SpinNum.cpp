// The numeric spin edit.
#include "controls/SpinNum.h"

#include "controls/SpinNumValue.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>

namespace {

// The character a key press stands for: its text, or the control character
// of an editing shortcut; nothing for keys that type nothing (cursor keys,
// Delete, function keys, modifiers). Delete is an editing key whatever text
// the platform gives it (X11 gives "\x7f", which the filter would refuse).
std::optional<unsigned> CharacterOf(const QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return 13u;
    if (e->key() == Qt::Key_Backspace) return 8u;
    if (e->matches(QKeySequence::Paste)) return 22u;
    if (e->matches(QKeySequence::Cut)) return 24u;
    if (e->matches(QKeySequence::Copy)) return 3u;
    if (e->matches(QKeySequence::Undo)) return 26u;
    if (e->matches(QKeySequence::SelectAll)) return 1u;
    // Delete edits; Escape types nothing (an owner may take it as "drop
    // my entry"; a dialog as Cancel).
    if (e->key() == Qt::Key_Delete || e->key() == Qt::Key_Escape) return std::nullopt;
    const QString text = e->text();
    if (text.isEmpty()) return std::nullopt;
    return text.at(0).unicode();
}

}  // namespace

// Forces the edit read-only for the life of the lock while the editor is
// disabled, so that no key, menu, middle click or drop can change the text
// (only the arrows may then). Navigation, selection and copying stay.
class TSpinNumEdit::TEditorLock {
public:
    explicit TEditorLock(TSpinNumEdit* edit) : edit_(edit), wasReadOnly_(edit->isReadOnly()) {
        if (!edit_->editorEnabled_ && !wasReadOnly_) edit_->setReadOnly(true);
    }
    ~TEditorLock() {
        if (edit_->isReadOnly() != wasReadOnly_) edit_->setReadOnly(wasReadOnly_);
        // Changing read-only turns input methods back on; they would bypass
        // the character filter.
        edit_->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    TEditorLock(const TEditorLock&) = delete;
    TEditorLock& operator=(const TEditorLock&) = delete;

private:
    TSpinNumEdit* edit_;
    bool wasReadOnly_;
};

TSpinNumEdit::TSpinNumEdit(QWidget* parent) : QLineEdit(parent) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    arrows_ = new TSpinArrows(this);
    arrows_->resize(15, 17);
    arrows_->SetFocusControl(this);
    connect(arrows_, &TSpinArrows::UpClick, this, [this] { UpClick(); });
    connect(arrows_, &TSpinArrows::DownClick, this, [this] { DownClick(); });
    // Any edit of the text by the user (typing, a pasted or cut text from
    // the menu, a drop, an undo) counts as typing: such a text is the
    // user's unfinished entry until Enter confirms it.
    connect(this, &QLineEdit::textEdited, this, [this] { typing_ = true; });
    // A text set otherwise than by a key (by the owner, a menu paste) is no
    // fraction of a refused point.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!inKey_) filter_.Reset();
    });
    setText(QStringLiteral("0"));
    setMinimumHeight(MinHeight());
    resize(121, MinHeight());
    PlaceArrows();
}

int TSpinNumEdit::Value() const {
    return SpinValueOf(text().toStdString(), decimal_, minValue_);
}

bool TSpinNumEdit::TextIsNumber() const {
    return SpinParse(text().toStdString(), decimal_).has_value();
}

int TSpinNumEdit::Clamp(int v) const { return SpinClamp(v, minValue_, maxValue_); }

void TSpinNumEdit::SetValue(int v) { SetValueIgnoringFloor(RaiseToFloor(Clamp(v), floor_, maxValue_)); }

void TSpinNumEdit::SetValueIgnoringFloor(int v) {
    const QString formatted = QString::fromStdString(SpinFormat(Clamp(v), decimal_));
    if (formatted != text()) setText(formatted);
}

void TSpinNumEdit::UpClick() {
    if (isReadOnly()) Beep();
    else SetValue(SpinStep(Value(), increment_));
}

void TSpinNumEdit::DownClick() {
    if (isReadOnly()) Beep();
    else SetValue(SpinStep(Value(), -static_cast<long long>(increment_)));
}

void TSpinNumEdit::Beep() {
    QApplication::beep();
    emit Beeped();
}

void TSpinNumEdit::keyPressEvent(QKeyEvent* e) {
    inKey_ = true;
    KeyPressed(e);
    inKey_ = false;
}

void TSpinNumEdit::KeyPressed(QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        filter_.Reset();
        if (key == Qt::Key_Up) UpClick();
        else DownClick();
        emit KeyDown(key, e->modifiers());
        e->accept();
        return;
    }
    emit KeyDown(key, e->modifiers());
    const auto ch = CharacterOf(e);
    if (!ch) {
        // Cursor movement and the like; Delete too, which the edit lock
        // refuses while the editor is disabled.
        filter_.Reset();
        TEditorLock lock(this);
        QLineEdit::keyPressEvent(e);
        return;
    }
    if (*ch == 13) {
        // Enter ends the entry; it never reaches the text and never beeps.
        filter_.Reset();
        typing_ = false;
        e->accept();
        return;
    }
    const TSpinKeyFilter::TVerdict verdict = filter_.Typed(*ch, decimal_, editorEnabled_);
    if (verdict.Refusal) {
        Beep();
        emit Refused(*verdict.Refusal);
        e->accept();
        return;
    }
    typing_ = true;
    emit KeyPress(QChar(static_cast<unsigned>(verdict.Char)));
    // Cut and paste go through only when the editor is enabled and the edit
    // is not read-only.
    TEditorLock lock(this);
    if (verdict.Char == *ch) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    // A comma typed as the decimal point.
    QKeyEvent point(QEvent::KeyPress, Qt::Key_Period, e->modifiers(), QString(QChar(static_cast<unsigned>(verdict.Char))),
                    e->isAutoRepeat(), static_cast<quint16>(e->count()));
    QLineEdit::keyPressEvent(&point);
    e->setAccepted(point.isAccepted());
}

void TSpinNumEdit::keyReleaseEvent(QKeyEvent* e) {
    if (!e->isAutoRepeat()) emit KeyUp(e->key(), e->modifiers());
    QLineEdit::keyReleaseEvent(e);
}

void TSpinNumEdit::focusInEvent(QFocusEvent* e) {
    filter_.Reset();
    QLineEdit::focusInEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    if (autoSelect_ && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) selectAll();
    emit Enter();
}

void TSpinNumEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // Switching to another window or opening a menu leaves the edit the
    // focus widget of its window: that is no exit.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    const int v = Value();
    if (Clamp(v) != v) SetValue(v);
    emit Exit();
}

void TSpinNumEdit::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* menu = nullptr;
    {
        TEditorLock lock(this);  // the menu offers no editing while the editor is disabled
        menu = createStandardContextMenu();
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

void TSpinNumEdit::mousePressEvent(QMouseEvent* e) {
    filter_.Reset();  // the caret may move
    TEditorLock lock(this);
    QLineEdit::mousePressEvent(e);
}

void TSpinNumEdit::mouseReleaseEvent(QMouseEvent* e) {
    TEditorLock lock(this);  // a middle-click paste is an edit
    QLineEdit::mouseReleaseEvent(e);
}

void TSpinNumEdit::dragEnterEvent(QDragEnterEvent* e) {
    TEditorLock lock(this);
    QLineEdit::dragEnterEvent(e);
}

void TSpinNumEdit::dragMoveEvent(QDragMoveEvent* e) {
    TEditorLock lock(this);
    QLineEdit::dragMoveEvent(e);
}

void TSpinNumEdit::dropEvent(QDropEvent* e) {
    TEditorLock lock(this);
    QLineEdit::dropEvent(e);
}
