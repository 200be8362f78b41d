#pragma once
// The bus that the kernel, device-setup and HID routines run on. The virtual bus (sim/) and
// the hidraw bus (linux/) implement it; a program chooses one at start with SetDeviceBus.
//
// Threads: every member may be called from any thread. The platform never holds a lock of its
// own while it calls the bus, so a bus may call its sinks while holding its own lock.
#include "platform/WinApi.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// One device interface that is present now.
struct BusInterface {
    DWORD instance = 0; // device instance number: stable while present, unique per interface
    std::string path;   // opens with CreateFileA
};

// Receives the input reports of one open read handle (report ID first). Any thread.
class InputSink {
public:
    virtual void InputReport(const std::uint8_t* data, std::size_t length) = 0;
    // The device has gone: no report follows.
    virtual void Disconnected() = 0;

protected:
    ~InputSink() = default;
};

// The device side of one open handle. Each call returns ERROR_SUCCESS or an error code
// (ERROR_DEVICE_NOT_CONNECTED once the device has gone).
class BusConnection {
public:
    // Closes: once the destructor has returned the sink is never called again.
    virtual ~BusConnection() = default;

    // One output report (report ID first), synchronously.
    virtual DWORD Write(const std::uint8_t* data, std::size_t length) = 0;
    virtual DWORD GetAttributes(HIDD_ATTRIBUTES& attributes) = 0; // Size is set by the caller
    virtual DWORD GetCaps(HIDP_CAPS& caps) = 0;
    virtual DWORD GetProductString(std::u16string& text) = 0;
    virtual DWORD GetManufacturerString(std::u16string& text) = 0;
    virtual DWORD GetSerialNumberString(std::u16string& text) = 0;
    // String descriptor by index; index 0 gives the language IDs.
    virtual DWORD GetIndexedString(ULONG index, std::u16string& words) = 0;
};

class DeviceBus {
public:
    virtual ~DeviceBus() = default;

    // The HID interfaces present now, in a stable order.
    virtual std::vector<BusInterface> Interfaces() = 0;

    // A registry property of a present interface: its value type (REG_SZ, REG_MULTI_SZ,
    // REG_DWORD, ...) and its bytes as the ANSI query returns them (strings NUL-terminated,
    // string lists ending in a double NUL). ERROR_INVALID_DATA when the device lacks it,
    // ERROR_NO_SUCH_DEVINST when the interface has gone.
    virtual DWORD RegistryProperty(DWORD instance, DWORD code, DWORD& type, std::string& bytes) = 0;

    // Opens a path with an access mask of GENERIC_READ / GENERIC_WRITE (0: queries only).
    // sink is null, or receives the input reports that arrive from now on while the
    // connection lives. ERROR_FILE_NOT_FOUND for an unknown path, ERROR_ACCESS_DENIED when
    // the device refuses that access.
    virtual DWORD Open(const std::string& path, DWORD access, InputSink* sink,
                       std::unique_ptr<BusConnection>& connection) = 0;

protected:
    // Tells every utility window that devices came or went (WM_DEVICECHANGE with
    // DBT_DEVNODES_CHANGED, delivered on the main thread). Does nothing unless this bus is
    // the chosen one.
    void NotifyDeviceChange();
};

// Chooses the bus (at start, before any handle is opened). A replaced bus is kept alive.
void SetDeviceBus(std::unique_ptr<DeviceBus> bus);
// Chooses the bus only if none is chosen yet; true when this one was taken.
bool SetDefaultDeviceBus(std::unique_ptr<DeviceBus> bus);
// The chosen bus, or null (then no interface is present and no path opens).
DeviceBus* CurrentDeviceBus();

// The value type that a registry property code is read with.
DWORD RegistryPropertyType(DWORD code);

} // namespace platform
