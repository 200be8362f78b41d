#pragma once
// Method pointers: a pair of code and object, as the event properties use them.
// A method counts as set when its code part is not null; comparisons look at the code only.
#include <utility>

namespace rt {

template <class Sig>
class TMethod;

template <class R, class... A>
class TMethod<R(A...)> {
public:
    using Code = R (*)(void* object, A... args);

    TMethod() = default;
    TMethod(Code code, void* object) : code_(code), object_(object) {}

    // Binds a member function: TMethod<...>::Of<&TForm1::ParseDeviceReport>(form).
    // Every member function gets its own code part, so setters can compare it.
    template <auto MemFn, class T>
    static TMethod Of(T* object) {
        return TMethod(&Trampoline<MemFn, T>, object);
    }

    bool Assigned() const { return code_ != nullptr; }
    explicit operator bool() const { return Assigned(); }
    Code code() const { return code_; }
    void* object() const { return object_; }
    bool SameCode(const TMethod& other) const { return code_ == other.code_; }

    R operator()(A... args) const { return code_(object_, std::forward<A>(args)...); }

private:
    template <auto MemFn, class T>
    static R Trampoline(void* object, A... args) {
        return (static_cast<T*>(object)->*MemFn)(std::forward<A>(args)...);
    }

    Code code_ = nullptr;
    void* object_ = nullptr;
};

} // namespace rt
