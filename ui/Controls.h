#pragma once
// Visible controls: a control wraps one Qt widget; a windowed control holds child controls
// and lays out the aligned ones as the class library does (top, bottom, left, right, client).
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "ui/Classes.h"
#include "ui/Graphics.h"

namespace ui {

class TWinControl;
class TPopupMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

class TControl : public TComponent {
public:
    // Wraps widget (created by the caller). With ownsWidget the control deletes the widget
    // when it goes; otherwise the widget's own owner does (a chart view, for instance).
    TControl(TComponent* AOwner, QWidget* widget, bool ownsWidget = true);
    ~TControl() override;

    QWidget* Widget() const { return widget_; }

    TWinControl* Parent() const { return parent_; }
    // Places the control in parent's client area (nullptr takes it out).
    void SetParent(TWinControl* parent);

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int v);
    void SetTop(int v);
    void SetWidth(int v);
    void SetHeight(int v);
    void SetBounds(int left, int top, int width, int height);
    virtual int ClientWidth() const { return Width(); }
    virtual int ClientHeight() const { return Height(); }

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    void SetHint(const std::string& hint);

    // The control's own font when one was set, else its parent's.
    TFont Font() const;
    void SetFont(const TFont& font);
    TColor Color() const { return color_; }
    void SetColor(TColor color);

    TPopupMenu* PopupMenu() const { return popup_; }
    void SetPopupMenu(TPopupMenu* menu);

    void Repaint();

    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

    // Runs the handlers as a mouse press, release or click would (through the error guard).
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Click();
    bool ClickOnMouse() const { return clickOnMouse_; }

protected:
    virtual void CaptionChanged() {}
    // After SetBounds (and the realign it causes).
    virtual void BoundsChanged() {}
    virtual void FontChanged();
    virtual void ColorChanged();
    // Whether the generic mouse filter reports presses and releases (controls that report
    // them themselves turn it off).
    void WatchMouse(bool on);
    // Whether a left press and release on the control runs Click (for controls without a
    // click of their own: forms, panels, labels, group boxes).
    void SetClickOnMouse(bool on) { clickOnMouse_ = on; }
    // Shows or hides the widget as Visible says (once it has a parent).
    virtual void ApplyVisible();

private:
    friend class TWinControl;

    QPointer<QWidget> widget_;
    bool ownsWidget_ = true;
    TWinControl* parent_ = nullptr;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    bool ownFont_ = false;
    bool clickOnMouse_ = false;
    std::string caption_;
    TFont font_;
    TColor color_ = clDefault;
    TPopupMenu* popup_ = nullptr;
    QObject* mouseFilter_ = nullptr;
};

class TWinControl : public TControl {
public:
    TWinControl(TComponent* AOwner, QWidget* widget, bool ownsWidget = true);
    ~TWinControl() override;

    // Where child widgets go (the widget itself unless a subclass has an inner area).
    virtual QWidget* ClientWidget() const;
    // The area of ClientWidget that aligned children share, in its coordinates.
    virtual TRect ClientRect() const;
    int ClientWidth() const override;
    int ClientHeight() const override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(index); }

    // Lays out the aligned children in the client area.
    void Realign();

    void SetFocus();

protected:
    // Puts a new child's widget into this control (default: into ClientWidget at its
    // present geometry); after it the child is in Controls.
    virtual void PlaceWidget(TControl* c);
    // A child was added to or removed from this control.
    virtual void ControlAdded(TControl*) {}
    virtual void ControlRemoved(TControl*) {}
    // Installs the resize watch that realigns the children (call when ClientWidget changes).
    void WatchClient();

private:
    friend class TControl;
    void Insert(TControl* c);
    void Remove(TControl* c);

    std::vector<TControl*> controls_;
    QObject* resizeFilter_ = nullptr;
    bool aligning_ = false;
};

} // namespace ui
