#pragma once
// Base classes of the window layer: objects, components with an owner, the event types and
// string lists. Texts are UTF-8 std::string throughout.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

// A component is destroyed by its owner (last created first) unless deleted before.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(index); }
    // The owned component with this name (names compared exactly), or nullptr. A component
    // deleted before its owner is no longer found.
    TComponent* FindComponent(std::string_view name) const;

protected:
    // Destroys the owned components now (last created first). Controls call it before
    // their widget goes, so children leave while their parent is still whole.
    void DestroyComponents();

private:
    void InsertComponent(TComponent* c) { components_.push_back(c); }
    void RemoveComponent(TComponent* c);

    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::string name_;
    bool destroying_ = false;
};

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state bits.
enum TShiftStateBit : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;

// Event types. A handler counts as set when the std::function holds a target.
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
// Key is the typed character (UTF-16 unit); setting it to 0 drops the key, changing it
// passes the new character on instead.
using TKeyPressEvent = std::function<void(TObject* Sender, char16_t& Key)>;

// A list of strings as controls expose their lines and items.
class TStrings {
public:
    virtual ~TStrings() = default;
    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& s) = 0;
    virtual int Add(const std::string& s) = 0;
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;

    std::string operator[](int index) const { return Get(index); }
    std::string Strings(int index) const { return Get(index); }
    // Lines joined, each followed by CR LF.
    std::string Text() const;
    // Replaces the lines with those of text (split at CR LF, CR or LF).
    void SetText(const std::string& text);
};

// A plain list of strings.
class TStringList : public TStrings {
public:
    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Get(int index) const override { return items_.at(index); }
    void Put(int index, const std::string& s) override { items_.at(index) = s; }
    int Add(const std::string& s) override;
    void Clear() override { items_.clear(); }
    void Delete(int index) override;

private:
    std::vector<std::string> items_;
};

} // namespace ui
