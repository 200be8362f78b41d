#pragma once
// Panel, radio group and timer.
#include <memory>
#include <string>

#include "ui/Controls.h"

class QFrame;
class QLabel;
class QGroupBox;
class QTimer;
class QButtonGroup;

namespace ui {

enum TPanelBevel { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* AOwner);
    ~TPanel() override;
    QFrame* Frame() const;

    void SetBevelOuter(TPanelBevel b);
    void SetBevelInner(TPanelBevel b);

protected:
    void CaptionChanged() override;
    void ColorChanged() override;

private:
    void ApplyBevel();
    TPanelBevel outer_ = bvRaised;
    TPanelBevel inner_ = bvNone;
};

class TRadioGroup : public TWinControl {
public:
    explicit TRadioGroup(TComponent* AOwner);
    ~TRadioGroup() override;
    QGroupBox* GroupBox() const;

    TStrings& Items();
    // -1: no item selected. OnClick runs when an item becomes the selected one.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);

protected:
    void CaptionChanged() override;
    void FontChanged() override;

private:
    class Items_;
    friend class Items_;
    void Rebuild();
    void Picked(int index);
    std::unique_ptr<Items_> items_;
    QButtonGroup* group_ = nullptr;
    int itemIndex_ = -1;
    int columns_ = 1;
};

// A picture: a file, or the program's icon.
class TImage : public TControl {
public:
    explicit TImage(TComponent* AOwner);
    QLabel* Label() const;

    // Stretch: the picture fills the control's bounds.
    void SetStretch(bool on);
    // False when the file does not hold a readable picture (the old one stays).
    bool LoadFromFile(const std::string& path);
    // The program's window icon (a stock icon when it has none).
    void ShowProgramIcon();
    bool Empty() const;
};

// Ticks every Interval ms while enabled and a handler is set. The handler runs from a posted
// call, so a nested event loop inside it (a modal box) lets the next tick run it again.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    // Setting the present value changes nothing (a running timer is not restarted).
    void SetEnabled(bool on);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);

    TNotifyEvent OnTimer;

    // One tick as the event loop delivers it: runs OnTimer (through the error guard) when
    // the timer is enabled and has a handler. Returns whether it ran. Tests drive ticks so.
    bool Tick();
    // Nested entries of OnTimer now running (1 inside a handler, 2 when re-entered).
    int Depth() const { return depth_; }

private:
    void Update();
    void Post();

    QTimer* timer_ = nullptr;
    bool enabled_ = true;
    unsigned interval_ = 1000;
    bool posted_ = false;
    int depth_ = 0;
};

} // namespace ui
