#include "hid/Hid.h"
#include "hid/HidControllerClass.h"
#include "hid/SetupApi.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace hid {

namespace {

constexpr GUID DefaultHidGuid = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

struct TListedRef {
    THidDevice* Device;
    std::uint64_t Serial;
};

// Runs the action when the scope ends, however it ends.
template <class Fn>
class TScopeExit {
public:
    explicit TScopeExit(Fn fn) : fn_(std::move(fn)) {}
    ~TScopeExit() { fn_(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    Fn fn_;
};

// One line on standard error for an interface the enumeration leaves out, with the last error
// of its open.
void TraceLeftOut(const std::string& path, const char* why) {
    const auto error = static_cast<unsigned long>(::GetLastError());
    std::fprintf(stderr, "coldpoint: %s left out: %s (error %lu)\n", path.c_str(), why, error);
}

bool SameInstance(const THidDevice* a, const THidDevice* b) {
    return a->PnPInfo() != nullptr && b->PnPInfo() != nullptr &&
           a->PnPInfo()->DeviceInstance == b->PnPInfo()->DeviceInstance;
}

} // namespace

// ---- construction and destruction -----------------------------------------------------------

THidDeviceController::THidDeviceController(void* /*Owner*/) : FVersion(HidVariant().Version) {
    FSetupApiBound = BindSetupApi();
    if (FSetupApiBound)
        BindHid();
    if (IsHidBound()) {
        HidD_GetHidGuid(&FHidGuid);
        FHWnd = ::AllocateHWnd([this](TMessage& Message) { DeviceMessageHandler(Message); });
        ::PostMessageA(FHWnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, -1);
    } else {
        FHidGuid = DefaultHidGuid;
    }
}

THidDeviceController::~THidDeviceController() {
    FDeviceChangeEvent = TNotifyEvent();
    FDevUnplugEvent = THidPlugEvent();
    SetOnEnumerate(THidEnumerateEvent());
    if (FHWnd != 0) {
        ::DeallocateHWnd(FHWnd);
        FHWnd = 0;
    }
    // Check-ins from now on find nothing: the controller is going.
    std::vector<THidDevice*> list = std::move(FList);
    FList.clear();
    // The read threads of lent devices stop before the binding goes; what they still hand
    // over is dropped. All are asked at once, so they stop together.
    for (THidDevice* device : list) {
        device->FController = nullptr;
        if (device->FCheckedOut.load()) {
            device->Mute();
            if (device->FReadThread)
                device->FReadThread->Stop();
        }
    }
    for (THidDevice* device : list) {
        if (device->FCheckedOut.load()) {
            device->StopReadThread();
            device->HandleUnplug();
            device->FreePreparsedData();
        } else {
            delete device;
        }
    }
    if (FSetupApiBound)
        UnbindSetupApi();
    UnbindHid();
}

// ---- messages and device changes ------------------------------------------------------------

void THidDeviceController::DeviceMessageHandler(TMessage& Message) {
    Message.Result = 0;
    if (Message.Msg == WM_DEVICECHANGE && Message.WParam == DBT_DEVNODES_CHANGED) {
        FLParam = Message.LParam;
        if (FInDeviceChange) {
            // A handler let messages run: no re-entry, the change runs again after this one.
            FDeviceChangePending = true;
        } else {
            FInDeviceChange = true;
            TScopeExit clear([this] {
                FInDeviceChange = false;
                // Ended by an exception: what came meanwhile is not lost, the loop brings it.
                if (FDeviceChangePending) {
                    FDeviceChangePending = false;
                    ::PostMessageA(FHWnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, FLParam);
                }
            });
            do {
                FDeviceChangePending = false;
                DeviceChange();
            } while (FDeviceChangePending);
        }
    }
    if (HidVariant().DefaultAnswers)
        Message.Result = ::DefWindowProcA(FHWnd, Message.Msg, Message.WParam, Message.LParam);
    else if (Message.Msg == WM_QUERYENDSESSION)
        Message.Result = 1;
}

std::vector<std::unique_ptr<THidDevice>> THidDeviceController::EnumeratePresentDevices() {
    std::vector<std::unique_ptr<THidDevice>> devices;
    if (!IsHidBound())
        return devices;
    const HDEVINFO set =
        SetupDiGetClassDevs(&FHidGuid, nullptr, 0, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return devices;
    TScopeExit destroy([set] { SetupDiDestroyDeviceInfoList(set); });

    for (DWORD member = 0;; ++member) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = kDeviceInterfaceDataSize;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &FHidGuid, member, &interfaceData))
            break;
        SP_DEVINFO_DATA devData{};
        devData.cbSize = kDevInfoDataSize;
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required, &devData);
        if (required == 0 || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            continue;
        // DWORD storage keeps the size field aligned; zero-filled, one spare NUL at the end.
        std::vector<DWORD> buffer(required / sizeof(DWORD) + 2, 0);
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
        detail->cbSize = kDeviceInterfaceDetailDataSize;
        if (!SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, required, &required,
                                              &devData))
            continue;
        const char* bytes = reinterpret_cast<const char*>(buffer.data());
        const std::size_t capacity = buffer.size() * sizeof(DWORD);
        const char* path = bytes + kDevicePathOffset;
        std::string devicePath(path, strnlen(path, capacity - kDevicePathOffset));
        auto info = std::make_unique<THidPnPInfo>(set, devData, devicePath);
        try {
            devices.push_back(std::make_unique<THidDevice>(std::move(info), this));
        } catch (const std::exception& e) {
            // Not opened or not identified: left out, tried again at the next change.
            TraceLeftOut(devicePath, e.what());
        } catch (...) {
            TraceLeftOut(devicePath, "unknown error");
        }
    }
    return devices;
}

void THidDeviceController::DeviceChange() {
    bool changed = FLParam == -1;
    std::vector<std::unique_ptr<THidDevice>> present = EnumeratePresentDevices();

    // Removal pass, last entry first. Handlers may check devices in meanwhile, so every
    // entry is looked up again before it is used.
    std::vector<TListedRef> listed;
    for (THidDevice* device : FList)
        listed.push_back({device, device->FSerial});
    for (std::size_t i = listed.size(); i-- > 0;) {
        THidDevice* device = listed[i].Device;
        const std::uint64_t serial = listed[i].Serial;
        if (IndexOf(device, serial) < 0)
            continue;
        const bool stillPresent =
            device->FPluggedIn.load() &&
            std::any_of(present.begin(), present.end(),
                        [device](const auto& p) { return SameInstance(p.get(), device); });
        if (stillPresent)
            continue;
        changed = true;
        device->HandleUnplug();
        if (IndexOf(device, serial) < 0)
            continue;
        DoRemoval(device);
        const std::int32_t index = IndexOf(device, serial);
        if (index >= 0 && !device->FCheckedOut.load()) {
            FList.erase(FList.begin() + index);
            delete device;
        }
    }

    // Duplicate pass: an interface that is listed and plugged in keeps its entry.
    for (auto& fresh : present) {
        const bool listedAlready =
            std::any_of(FList.begin(), FList.end(), [&fresh](const THidDevice* device) {
                return device->FPluggedIn.load() && SameInstance(device, fresh.get());
            });
        if (listedAlready) {
            fresh->FController = nullptr;
            fresh.reset();
        }
    }

    // Arrival pass, in enumeration order.
    for (auto& fresh : present) {
        if (!fresh)
            continue;
        THidDevice* device = fresh.release();
        FList.push_back(device);
        changed = true;
        DoArrival(device);
    }

    if (changed)
        DoDeviceChange();
}

void THidDeviceController::CallDeviceEvent(const THidPlugEvent& Event, THidDevice* HidDev) {
    const std::uint64_t serial = HidDev->FSerial;
    HidDev->FInCallback = true;
    // The handler may have checked the device in (freed it): clear the flag only if the
    // object is still listed.
    TScopeExit clear([this, HidDev, serial] {
        if (IndexOf(HidDev, serial) >= 0)
            HidDev->FInCallback = false;
    });
    Event(HidDev);
}

void THidDeviceController::DoArrival(THidDevice* HidDev) {
    if (OnArrival)
        CallDeviceEvent(OnArrival, HidDev);
}

void THidDeviceController::DoRemoval(THidDevice* HidDev) {
    if (OnRemoval)
        CallDeviceEvent(OnRemoval, HidDev);
}

void THidDeviceController::DoDeviceChange() {
    if (FDeviceChangeEvent)
        FDeviceChangeEvent(this);
}

// ---- check-out and check-in -----------------------------------------------------------------

bool THidDeviceController::CheckOutAt(std::int32_t Index, bool Condition, THidDevice*& HidDev) {
    if (Index < 0 || Index >= Count())
        return false;
    THidDevice* device = FList[Index];
    if (!Condition || device->FCheckedOut.load())
        return false;
    HidDev = device;
    device->FCheckedOut = true;
    device->StartReadThread();
    return true;
}

bool THidDeviceController::CheckOutByIndex(THidDevice*& HidDev, std::int32_t Index) {
    HidDev = nullptr;
    if (Index < 0 || Index >= Count())
        return false;
    return CheckOutAt(Index, true, HidDev);
}

bool THidDeviceController::CheckOut(THidDevice*& HidDev) {
    HidDev = nullptr;
    for (std::int32_t i = 0; i < Count(); ++i)
        if (CheckOutAt(i, true, HidDev))
            return true;
    return false;
}

void THidDeviceController::CheckIn(THidDevice* HidDev, const THidDataEvent& DataHandler,
                                   const THidPlugEvent& UnplugHandler, std::int32_t SleepTime) {
    const auto at = std::find(FList.begin(), FList.end(), HidDev);
    if (at == FList.end())
        return;
    const std::size_t index = static_cast<std::size_t>(at - FList.begin());
    if (!HidDev->FPluggedIn.load()) {
        FList.erase(at);
        return;
    }
    THidDevice* replacement = nullptr;
    try {
        replacement = new THidDevice(std::move(HidDev->FPnPInfo), this);
    } catch (...) {
        // The interface can no longer be opened or identified: its entry goes (the failed
        // construction has freed the device information).
        FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(index));
        return;
    }
    FList[index] = replacement;
    replacement->SetDataEvent(DataHandler);
    replacement->FUnplugHandler = UnplugHandler;
    replacement->SetThreadSleepTime(SleepTime);
}

std::int32_t THidDeviceController::IndexOf(const THidDevice* HidDev, std::uint64_t Serial) const {
    for (std::size_t i = 0; i < FList.size(); ++i)
        if (FList[i] == HidDev && FList[i]->FSerial == Serial)
            return static_cast<std::int32_t>(i);
    return -1;
}

template <class Fn>
void THidDeviceController::ForEachListed(Fn fn) {
    std::vector<TListedRef> listed;
    for (THidDevice* device : FList)
        listed.push_back({device, device->FSerial});
    for (const TListedRef& ref : listed)
        if (IndexOf(ref.Device, ref.Serial) >= 0)
            fn(ref.Device);
}

// ---- properties -----------------------------------------------------------------------------

void THidDeviceController::SetOnDeviceChange(const TNotifyEvent& Value) {
    if (Value.SameCode(FDeviceChangeEvent))
        return;
    FDeviceChangeEvent = Value;
    // Never loaded from a design here, so the change runs at once.
    DeviceChange();
}

void THidDeviceController::SetOnEnumerate(const THidEnumerateEvent& Value) {
    FEnumerateEvent = Value;
}

void THidDeviceController::SetDevThreadSleepTime(std::int32_t Value) {
    if (Value == FDevThreadSleepTime)
        return;
    for (THidDevice* device : FList)
        if (device->FThreadSleepTime.load() == FDevThreadSleepTime)
            device->SetThreadSleepTime(Value);
    FDevThreadSleepTime = Value;
}

void THidDeviceController::SetOnDeviceData(const THidDataEvent& Value) {
    if (Value.SameCode(FDevDataEvent))
        return;
    const THidDataEvent current = FDevDataEvent;
    ForEachListed([&](THidDevice* device) {
        if (device->FDataHandler.SameCode(current))
            device->SetDataEvent(Value);
    });
    FDevDataEvent = Value;
}

void THidDeviceController::SetOnDeviceDataError(const THidDataErrorEvent& Value) {
    if (Value.SameCode(FDevDataErrorEvent))
        return;
    for (THidDevice* device : FList)
        if (device->FDataErrorHandler.SameCode(FDevDataErrorEvent))
            device->FDataErrorHandler = Value;
    FDevDataErrorEvent = Value;
}

void THidDeviceController::SetOnDeviceUnplug(const THidPlugEvent& Value) {
    if (Value.SameCode(FDevUnplugEvent))
        return;
    for (THidDevice* device : FList)
        if (device->FUnplugHandler.SameCode(FDevUnplugEvent))
            device->FUnplugHandler = Value;
    FDevUnplugEvent = Value;
}

} // namespace hid
