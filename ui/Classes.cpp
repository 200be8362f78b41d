#include "ui/Classes.h"

#include <algorithm>
#include <stdexcept>

namespace ui {

TComponent::TComponent(TComponent* AOwner) : owner_(AOwner) {
    if (owner_)
        owner_->InsertComponent(this);
}

TComponent::~TComponent() {
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
    destroying_ = true;
    while (!components_.empty()) {
        TComponent* c = components_.back();
        components_.pop_back();
        c->owner_ = nullptr;
        delete c;
    }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    auto it = std::find_if(components_.begin(), components_.end(),
                           [name](const TComponent* c) { return c->Name() == name; });
    return it != components_.end() ? *it : nullptr;
}

void TComponent::RemoveComponent(TComponent* c) {
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it != components_.end())
        components_.erase(it);
}

std::string TStrings::Text() const {
    std::string out;
    for (int i = 0; i < Count(); ++i) {
        out += Get(i);
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(const std::string& text) {
    Clear();
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            Add(line);
            line.clear();
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += ch;
        }
    }
    if (!line.empty())
        Add(line);
}

int TStringList::Add(const std::string& s) {
    items_.push_back(s);
    return Count() - 1;
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count())
        throw std::out_of_range("list index out of bounds");
    items_.erase(items_.begin() + index);
}

} // namespace ui
