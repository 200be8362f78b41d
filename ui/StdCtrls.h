#pragma once
// Standard controls: label, edit, button, check box, group box, memo.
#include <memory>
#include <string>

#include "ui/Controls.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QCheckBox;
class QGroupBox;
class QPlainTextEdit;

namespace ui {

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TLabel : public TControl {
public:
    explicit TLabel(TComponent* AOwner);
    QLabel* Label() const;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout l);
    // AutoSize (default true) fits the label to its text unless aligned or word-wrapped.
    void SetAutoSize(bool on);
    void SetWordWrap(bool on);
    // The text fits the label's bounds (a label that is not auto-sized): where it does not fit
    // in the label's font, smaller letters write it on one line or wrapped.
    void SetFitText(bool on);

protected:
    void CaptionChanged() override;
    void FontChanged() override;
    void BoundsChanged() override { Fit(); }

private:
    void ApplyAlignment();
    void Fit();
    bool fitting_ = false;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
};

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);
    QLineEdit* Edit() const;

    std::string Text() const;
    void SetText(const std::string& text);
    bool ReadOnly() const;
    void SetReadOnly(bool on);

    TNotifyEvent OnChange;
};

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);
    QPushButton* Button() const;

    // Enter on the form presses the default button.
    bool Default() const { return default_; }
    void SetDefault(bool on);
    // Set on the form when the button is clicked (mrNone: nothing).
    void SetModalResult(int r) { modalResult_ = r; }

    // Sets the form's modal result (when one is set) and runs OnClick.
    void Click() override;

protected:
    void CaptionChanged() override;
    void FontChanged() override;
    void ColorChanged() override;

private:
    friend class PushButton;
    void ApplyStyle();
    bool default_ = false;
    int modalResult_ = 0;
};

class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    QCheckBox* CheckBox() const;

    // OnClick runs whenever Checked changes, by the user or by the program.
    bool Checked() const;
    void SetChecked(bool on);

protected:
    void CaptionChanged() override;
};

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* AOwner);
    QGroupBox* GroupBox() const;
    TRect ClientRect() const override;

protected:
    void CaptionChanged() override;
};

// Multi-line text. Lines are appended at a cost that does not grow with the text.
class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;
    QPlainTextEdit* TextEdit() const;

    TStrings& Lines();
    void Clear();
    bool ReadOnly() const;
    void SetReadOnly(bool on);
    void SetScrollBars(TScrollStyle s);
    void SetWordWrap(bool on);
    // At most this many lines, the oldest dropped (a tenth of the bound at a time, so up to a
    // tenth more between two drops); 0 (the default) for no bound.
    int MaxLines() const;
    void SetMaxLines(int lines);

private:
    class MemoLines;
    std::unique_ptr<MemoLines> lines_;
    QPointer<QObject> showWatch_;
};

} // namespace ui
