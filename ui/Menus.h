#pragma once
// Main menu, pop-up menus and their items.
#include <string>
#include <vector>

#include <QPointer>

#include "ui/Classes.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace ui {

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    // "-" makes the item a separator.
    void SetCaption(const std::string& caption);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    bool Checked() const { return checked_; }
    void SetChecked(bool on);

    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(index); }
    TMenuItem* Parent() const { return parent_; }

    // Runs OnClick through the error guard, as choosing the item does.
    void Click();
    TNotifyEvent OnClick;

    // The Qt side: the item's action, and its submenu while it has items.
    QAction* Action() const { return action_; }

private:
    friend class TMainMenu;
    friend class TPopupMenu;
    // Where the items' actions go: the menu bar or pop-up of a root item, else the submenu.
    QWidget* Container();
    // The action's text from the caption.
    void ApplyText();

    std::string caption_;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    QAction* action_ = nullptr;
    QMenu* sub_ = nullptr;
    QWidget* rootContainer_ = nullptr;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    // The root item; its items are the menu's entries.
    TMenuItem* Items() const { return root_; }

protected:
    TMenuItem* root_ = nullptr;
};

class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;
    // The bar that shows the menu (the form shows it).
    QMenuBar* MenuBar() const;
    // Opens the bar's first menu, as F10 does.
    void OpenFirst();

private:
    QPointer<QMenuBar> bar_;
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    QMenu* Menu() const;
    // Shows the menu at the screen point (does not wait).
    void Popup(int x, int y);
    TNotifyEvent OnPopup;

private:
    QPointer<QMenu> menu_;
};

} // namespace ui
