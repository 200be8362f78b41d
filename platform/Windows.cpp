// Utility windows: hidden windows whose procedure is a method. Posted messages go through the
// main-thread queue, so every window procedure runs on the main thread.
#include "platform/Internal.h"
#include "runtime/MainThread.h"

#include <map>
#include <memory>
#include <mutex>

namespace platform::detail {
namespace {

struct Window {
    TWndMethod method;
};

struct Windows {
    std::mutex mutex;
    std::map<HWND, std::shared_ptr<Window>> windows;
};

Windows& TheWindows() {
    static Windows w;
    return w;
}

std::shared_ptr<Window> FindWindow(HWND wnd) {
    Windows& w = TheWindows();
    std::lock_guard<std::mutex> lock(w.mutex);
    auto it = w.windows.find(wnd);
    return it == w.windows.end() ? nullptr : it->second;
}

// A window freed before its message is taken drops the message.
LRESULT Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto window = FindWindow(wnd);
    if (!window || !window->method)
        return 0;
    TMessage message{msg, wParam, lParam, 0};
    window->method(message);
    return message.Result;
}

void Post(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    rt::MainThread::Post([=] { Dispatch(wnd, msg, wParam, lParam); });
}

std::vector<HWND> AllWindows() {
    Windows& w = TheWindows();
    std::lock_guard<std::mutex> lock(w.mutex);
    std::vector<HWND> all;
    for (auto& [wnd, window] : w.windows)
        all.push_back(wnd);
    return all;
}

} // namespace

void BroadcastDeviceChange() {
    for (HWND wnd : AllWindows())
        Post(wnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
}

std::size_t UtilityWindowCount() {
    Windows& w = TheWindows();
    std::lock_guard<std::mutex> lock(w.mutex);
    return w.windows.size();
}

} // namespace platform::detail

using namespace platform::detail;

HWND AllocateHWnd(TWndMethod method) {
    Windows& w = TheWindows();
    std::lock_guard<std::mutex> lock(w.mutex);
    const HWND wnd = NewHandleValue();
    w.windows[wnd] = std::make_shared<Window>(Window{std::move(method)});
    return wnd;
}

void DeallocateHWnd(HWND wnd) {
    std::shared_ptr<Window> window; // freed outside the lock
    Windows& w = TheWindows();
    std::lock_guard<std::mutex> lock(w.mutex);
    if (auto it = w.windows.find(wnd); it != w.windows.end()) {
        window = std::move(it->second);
        w.windows.erase(it);
    }
}

BOOL IsWindow(HWND hWnd) { return FindWindow(hWnd) != nullptr; }

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == HWND_BROADCAST) {
        for (HWND wnd : AllWindows())
            Post(wnd, Msg, wParam, lParam);
        return TRUE;
    }
    if (!FindWindow(hWnd))
        return Fail(ERROR_INVALID_WINDOW_HANDLE);
    Post(hWnd, Msg, wParam, lParam);
    return TRUE;
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (!FindWindow(hWnd))
        return Fail(ERROR_INVALID_WINDOW_HANDLE), 0;
    return Dispatch(hWnd, Msg, wParam, lParam);
}

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    (void)hWnd;
    (void)wParam;
    (void)lParam;
    // The session may end; everything else needs no default action here.
    return Msg == WM_QUERYENDSESSION ? TRUE : 0;
}
