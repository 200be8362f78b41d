#include "ui/Menus.h"

#include <algorithm>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>

#include "ui/Forms.h"
#include "ui/QtBridge.h"

namespace ui {

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {
    EnsureApplication();
    action_ = new QAction();
    QObject::connect(action_, &QAction::triggered, action_, [this] { Click(); });
}

TMenuItem::~TMenuItem() {
    QWidget* container = rootContainer_ ? rootContainer_ : sub_;
    for (TMenuItem* c : items_) {
        c->parent_ = nullptr;
        if (container)
            container->removeAction(c->action_);
    }
    items_.clear();
    if (parent_)
        parent_->Remove(this);
    delete sub_;
    delete action_;
}

void TMenuItem::SetCaption(const std::string& caption) {
    caption_ = caption;
    action_->setSeparator(caption == "-");
    ApplyText();
}

void TMenuItem::ApplyText() {
    QString text = ToQ(caption_);
    // A menu of the menu bar without an accelerator of its own opens with Alt and its first
    // letter, as the platform's menus do (the letter is not marked: the caption reads as
    // designed).
    if (parent_ && qobject_cast<QMenuBar*>(parent_->rootContainer_) && !text.contains('&'))
        text.prepend('&');
    action_->setText(text);
}

void TMenuItem::SetEnabled(bool on) {
    enabled_ = on;
    action_->setEnabled(on);
}

void TMenuItem::SetVisible(bool on) {
    visible_ = on;
    action_->setVisible(on);
}

void TMenuItem::SetChecked(bool on) {
    checked_ = on;
    action_->setCheckable(on || action_->isCheckable());
    action_->setChecked(on);
}

QWidget* TMenuItem::Container() {
    if (rootContainer_)
        return rootContainer_;
    if (!sub_) {
        sub_ = new QMenu();
        action_->setMenu(sub_);
    }
    return sub_;
}

void TMenuItem::Add(TMenuItem* item) {
    if (!item || item == this)
        return;
    if (item->parent_)
        item->parent_->Remove(item);
    items_.push_back(item);
    item->parent_ = this;
    item->ApplyText();
    Container()->addAction(item->action_);
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end())
        return;
    items_.erase(it);
    item->parent_ = nullptr;
    item->ApplyText();
    Container()->removeAction(item->action_);
}

void TMenuItem::Click() {
    if (OnClick)
        Dispatch([&] { OnClick(this); });
}

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) {
    EnsureApplication();
    root_ = new TMenuItem(nullptr);
}

TMenu::~TMenu() { delete root_; }

namespace {

// The menu bar's keyboard access: Alt alone puts the bar in keyboard mode, and accelerator
// letters are not underlined.
class MenuBarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        if (hint == SH_UnderlineShortcut)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {
    bar_ = new QMenuBar();
    auto* style = new MenuBarStyle();
    style->setParent(bar_);
    bar_->setStyle(style);
    root_->rootContainer_ = bar_;
}

void TMainMenu::OpenFirst() {
    if (!bar_)
        return;
    for (QAction* a : bar_->actions())
        if (a->isVisible() && a->isEnabled() && !a->isSeparator()) {
            bar_->setActiveAction(a);
            return;
        }
}

TMainMenu::~TMainMenu() {
    // The items go first, while the bar still holds their actions.
    delete root_;
    root_ = nullptr;
    delete bar_.data();
}

QMenuBar* TMainMenu::MenuBar() const { return bar_; }

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {
    menu_ = new QMenu();
    root_->rootContainer_ = menu_;
}

TPopupMenu::~TPopupMenu() {
    delete root_;
    root_ = nullptr;
    delete menu_.data();
}

QMenu* TPopupMenu::Menu() const { return menu_; }

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup)
        Dispatch([&] { OnPopup(this); });
    if (menu_)
        menu_->popup(QPoint(x, y));
}

} // namespace ui
