#pragma once
// Status bar, page control and tab sheets, progress bar, tool bar and tool buttons.
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"

class QLabel;
class QTabWidget;
class QProgressBar;
class QToolButton;
class QScrollArea;

namespace ui {

class TStatusBar;

class TStatusPanel {
public:
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    int Width() const { return width_; }
    void SetWidth(int w);
    QLabel* Label() const { return label_; }

private:
    friend class TStatusBar;
    QLabel* label_ = nullptr;
    std::string text_;
    int width_ = 50;
};

class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    // Index out of range throws std::out_of_range.
    TStatusPanel& Panels(int index) { return *panels_.at(index); }
    TStatusPanel& AddPanel(int width, const std::string& text = {});

private:
    std::vector<std::unique_ptr<TStatusPanel>> panels_;
};

class TPageControl;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;

    // Adds the sheet as the control's last page (nullptr takes it out).
    void SetPageControl(TPageControl* pc);
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool on);
    int PageIndex() const;

    // A page smaller than its controls need scrolls, with scroll bars, instead of cutting
    // them; where it is large enough the controls stand as placed. Set before controls are
    // placed on the page.
    void SetAutoScroll(bool on);
    QWidget* ClientWidget() const override;

protected:
    void CaptionChanged() override;
    void ApplyVisible() override {}
    void ControlAdded(TControl*) override { FitScrolled(); }
    void ControlRemoved(TControl*) override { FitScrolled(); }

private:
    friend class TPageControl;
    friend class ScrollWatch;
    // The scrolled area: the size the controls need, or the visible part's when larger.
    void FitScrolled();
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
    QScrollArea* scroll_ = nullptr;
    QWidget* scrolled_ = nullptr;
};

// The size a windowed control's children need, as the class library's scrolling controls
// count it: the far edges of the controls not aligned (and of those aligned to the top or
// left) with a margin, plus the controls aligned to the bottom or right; an aligned windowed
// child adds what its own children need across its alignment.
TSize ControlsExtent(const TWinControl* c);

class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    QTabWidget* Tabs() const;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(index); }
    TTabSheet* ActivePage() const;
    void SetActivePage(TTabSheet* page);

    TNotifyEvent OnChange;

protected:
    void PlaceWidget(TControl* c) override;
    void ControlRemoved(TControl* c) override;

private:
    friend class TTabSheet;
    friend class PageSizer;
    // Gives every page the geometry of the page on show and lays out the hidden ones.
    void SizePages();
    std::vector<TTabSheet*> pages_;
    bool settingPage_ = false;
    QObject* pageSizer_ = nullptr;
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);
    QProgressBar* Bar() const;

    int Min() const;
    int Max() const;
    void SetMin(int v);
    void SetMax(int v);
    int Position() const;
    void SetPosition(int v);
};

class TToolButton;

// Tool buttons placed on the bar line up left to right in the order they are placed.
class TToolBar : public TWinControl {
public:
    explicit TToolBar(TComponent* AOwner);
    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Buttons(int index) const { return buttons_.at(index); }
    void SetShowCaptions(bool on);

protected:
    void PlaceWidget(TControl* c) override;
    void ControlRemoved(TControl* c) override;

private:
    std::vector<TToolButton*> buttons_;
    bool showCaptions_ = true;
};

class TToolButton : public TControl {
public:
    explicit TToolButton(TComponent* AOwner);
    QToolButton* ToolButton() const;

protected:
    void CaptionChanged() override;
};

} // namespace ui
