#pragma once
// The naming dialog: a new four-character name for one attenuator.

#include <QDialog>
#include <QLineEdit>
#include <string>

class QGroupBox;
class QLabel;
class QPushButton;

// The edit text of a four-position name: each position holds an upper-case
// letter, a digit, or "_" while it is empty. Text given from outside (the
// start name) is kept as it is; only what is typed is checked.
class TNameMask {
public:
    static constexpr int Positions = 4;
    static constexpr char Empty = '_';

    // The start text: cut to four characters, short ones filled with "_".
    void SetText(const std::string& text);
    const std::string& Text() const { return text_; }

    // True for the characters a position accepts: A..Z, a..z, 0..9.
    static bool Accepts(char c);

    // Types c at cursor, overwriting that position (lower case becomes upper
    // case) and moving the cursor on; a rejected character or a cursor past
    // the last position changes nothing. Returns whether c was taken.
    bool Type(char c, int& cursor);
    // Empties count positions from first.
    void Clear(int first, int count);
    // Backspace and Delete without a selection.
    void Backspace(int& cursor);
    void Delete(int cursor);

    // The name: the four positions with every "_" turned into a blank.
    std::string Name() const;

private:
    std::string text_ = std::string(Positions, Empty);
};

// A line edit that keeps a TNameMask: typing, deleting, cutting and pasting
// follow the mask's rules, so its text always has four positions.
class TNameMaskEdit : public QLineEdit {
public:
    explicit TNameMaskEdit(QWidget* parent = nullptr);
    void SetEditText(const std::string& text);
    std::string EditText() const { return mask_.Text(); }
    const TNameMask& Mask() const { return mask_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void TypeText(const QString& text);
    void ClearSelection(int& cursor);
    void Show(int cursor);

    TNameMask mask_;
};

class TNameAttForm : public QDialog {
    Q_OBJECT

public:
    explicit TNameAttForm(QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    QLabel* Label1;
    TNameMaskEdit* MaskEdit;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};

// Asks for a new name for box n, starting from name. On OK name becomes the
// four entered positions (empty ones as blanks) and the result is true;
// otherwise name is left as it was and the result is false.
bool NameAttenuator(int n, std::string& name, QWidget* parent = nullptr);
