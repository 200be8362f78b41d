#pragma once
// HID device access: the device controller, its device objects, their report read threads
// and the plug-and-play record of a device interface.
#include "platform/WinApi.h"
#include "runtime/Classes.h"
#include "runtime/Method.h"
#include "runtime/SysUtils.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hid {

class THidDevice;
class THidDeviceController;
class THidDeviceReadThread;

// ---- events -------------------------------------------------------------------------------

using THidPlugEvent = rt::TMethod<void(THidDevice* HidDev)>;
using THidEnumerateEvent = rt::TMethod<bool(THidDevice* HidDev, const std::int32_t Idx)>;
// Data points at the bytes after the report ID; valid only during the call.
using THidDataEvent = rt::TMethod<void(THidDevice* HidDev, std::uint8_t ReportID, const void* Data,
                                       std::uint16_t Size)>;
using THidDataErrorEvent = rt::TMethod<void(THidDevice* HidDev, std::uint32_t Error)>;
using TNotifyEvent = rt::TMethod<void(THidDeviceController* Sender)>;

// ---- errors -------------------------------------------------------------------------------

class EControllerError : public rt::Exception {
public:
    using rt::Exception::Exception;
};

inline constexpr const char* RsDeviceCannotBeOpened = "device cannot be opened";
inline constexpr const char* RsDeviceCannotBeIdentified = "device cannot be identified";

// ---- device interface information ----------------------------------------------------------

// The plug-and-play record of one interface: instance number, path and a snapshot of the
// device's registry properties (ANSI texts as the platform returns them).
class THidPnPInfo {
public:
    THidPnPInfo(HDEVINFO DevInfo, const SP_DEVINFO_DATA& DevData, std::string DevicePath);
    virtual ~THidPnPInfo() = default;
    THidPnPInfo(const THidPnPInfo&) = delete;
    THidPnPInfo& operator=(const THidPnPInfo&) = delete;

    static std::string ReadStringProperty(HDEVINFO DevInfo, SP_DEVINFO_DATA& DevData, DWORD Code);
    static std::vector<std::string> ReadStringListProperty(HDEVINFO DevInfo,
                                                           SP_DEVINFO_DATA& DevData, DWORD Code);
    static DWORD ReadDwordProperty(HDEVINFO DevInfo, SP_DEVINFO_DATA& DevData, DWORD Code);

    static constexpr std::size_t StringBufferSize = 1024;
    static constexpr std::size_t StringListBufferSize = 16384;

    const DWORD DeviceInstance;
    const std::string DevicePath;

    // In declared order; read in the order noted (SPDRP_SERVICE is read thirteenth).
    DWORD Capabilities = 0;
    std::string ClassName;
    std::string ClassGUID;
    std::vector<std::string> CompatibleIDs;
    DWORD ConfigFlags = 0;
    std::string DeviceDescr;
    std::string Driver;
    std::string FriendlyName;
    std::vector<std::string> HardwareID;
    std::vector<std::string> LowerFilters;
    std::string Mfg;
    std::vector<std::string> UpperFilters;
    std::string Address;
    DWORD BusNumber = 0;
    std::string BusTypeGUID;
    std::string Characteristics;
    DWORD DevType = 0;
    std::string EnumeratorName;
    DWORD Exclusive = 0;
    DWORD LegacyBusType = 0;
    std::string LocationInformation;
    std::string PhysicalDeviceObjectName;
    std::string Security;
    std::string Service;
    DWORD UINumber = 0;
    std::string Property30;

private:
    SP_DEVINFO_DATA devData_;
};

// ---- device -------------------------------------------------------------------------------

// One HID device interface. Freeing it (delete) checks it back in to its controller.
class THidDevice {
public:
    // Takes the device information over (also when it raises EControllerError).
    THidDevice(std::unique_ptr<THidPnPInfo> PnPInfo, THidDeviceController* Controller);
    virtual ~THidDevice();
    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;

    bool IsAccessible() const;

    bool OpenDeviceHandle();
    void CloseDeviceHandle();
    bool OpenOverlappedHandle();
    void CloseOverlappedHandle();
    void HandleUnplug();

    // Capabilities (all zero without preparsed data).
    void GetCaps(HIDP_CAPS& Caps);
    PHIDP_PREPARSED_DATA GetPreparsedData();
    std::u16string GetProductName();
    std::u16string GetSerialNumber();

    void SetNumInputBuffers(std::uint32_t Count);
    void SetNumOverlappedBuffers(std::uint32_t Count);
    std::uint32_t NumInputBuffers() const { return FSyncBufferCount; }
    std::uint32_t NumOverlappedBuffers() const { return FReadBufferCount.load(); }
    void SetThreadSleepTime(std::int32_t Milliseconds);
    std::int32_t ThreadSleepTime() const { return FThreadSleepTime.load(); }

    bool SyncWrite(const void* Buffer, DWORD Count, DWORD& Written);
    bool OverlappedRead(void* Buffer, DWORD Count, LPOVERLAPPED_COMPLETION_ROUTINE Routine);
    DWORD GetOverlappedReadResult();
    bool CancelOverlappedIo();
    static bool CancelPendingIo(HANDLE Handle);

    void SetDataEvent(const THidDataEvent& Handler);
    void StartReadThread();
    void StopReadThread();

    const HIDD_ATTRIBUTES& Attributes() const { return FAttributes; }
    // Null only while a check-in hands it over to the replacement object.
    const THidPnPInfo* PnPInfo() const { return FPnPInfo.get(); }
    THidDeviceController* Controller() const { return FController; }
    bool PluggedIn() const { return FPluggedIn.load(); }
    bool CheckedOut() const { return FCheckedOut.load(); }
    bool InCallback() const { return FInCallback.load(); }
    bool HasReadWriteAccess() const { return FReadWriteAccess; }
    const THidDataEvent& DataHandler() const { return FDataHandler; }
    const THidDataErrorEvent& DataErrorHandler() const { return FDataErrorHandler; }
    const THidPlugEvent& UnplugHandler() const { return FUnplugHandler; }
    THidDeviceReadThread* ReadThread() const { return FReadThread.get(); }
    HANDLE SyncHandle() const { return FSyncHandle; }
    HANDLE ReadHandle() const { return FReadHandle.load(); }

private:
    friend class THidDeviceController;
    friend class THidDeviceReadThread;

    HANDLE OpenSyncHandle();
    bool OpenOverlappedHandleLocked();
    void FreePreparsedData();
    // Controller shutdown: reports handed over from now on are dropped.
    void Mute() { FMuted = true; }

    THidDeviceController* FController;
    std::atomic<bool> FPluggedIn{true};
    std::atomic<bool> FCheckedOut{false};
    std::atomic<bool> FInCallback{false};
    HANDLE FSyncHandle = INVALID_HANDLE_VALUE;
    std::atomic<HANDLE> FReadHandle{INVALID_HANDLE_VALUE};
    OVERLAPPED FReadOverlapped{};
    HIDD_ATTRIBUTES FAttributes{};
    std::unique_ptr<THidPnPInfo> FPnPInfo;
    std::u16string FProductName;
    std::atomic<PHIDP_PREPARSED_DATA> FPreparsedData{nullptr};
    std::u16string FSerialNumber;
    std::uint32_t FSyncBufferCount = 0;
    std::atomic<std::uint32_t> FReadBufferCount{0};
    std::atomic<std::int32_t> FThreadSleepTime{100};
    THidDataEvent FDataHandler;
    THidDataErrorEvent FDataErrorHandler;
    THidPlugEvent FUnplugHandler;
    bool FReadWriteAccess = false;
    std::unique_ptr<THidDeviceReadThread> FReadThread;

    // The read handle is opened by the main thread or by the read thread, whichever is first.
    std::mutex FReadHandleLock;
    bool FMuted = false;
    bool FStoppingThread = false;
    const std::uint64_t FSerial; // tells a listed object from a later one at the same address
};

// ---- read thread --------------------------------------------------------------------------

// Reads the device's input reports one at a time and hands each to the main thread.
class THidDeviceReadThread : public rt::TThread {
public:
    explicit THidDeviceReadThread(THidDevice* Device);
    ~THidDeviceReadThread() override;

    // Terminate, and end a pause between failed read starts at once.
    void Stop();

    static constexpr DWORD WaitIoCompletion = WAIT_IO_COMPLETION;

protected:
    void Execute() override;

private:
    void DeliverReport();
    void DeliverReadError();
    static void ReadCompletionStub(DWORD ErrorCode, DWORD BytesTransferred,
                                   LPOVERLAPPED Overlapped);

    // Waits one wait time, or until Stop.
    void Pause();

    std::uint32_t FLastError = 0;
    THidDevice* FDevice;
    std::uint32_t FBytesRead = 0;
    std::vector<std::uint8_t> FReport;
    std::mutex FPauseLock;
    std::condition_variable FPauseEnd;
};

// ---- controller ---------------------------------------------------------------------------

class THidDeviceController {
public:
    // Owner: the component that owns the controller (not used by the controller itself).
    explicit THidDeviceController(void* Owner = nullptr);
    virtual ~THidDeviceController();
    THidDeviceController(const THidDeviceController&) = delete;
    THidDeviceController& operator=(const THidDeviceController&) = delete;

    void DeviceChange();
    void DeviceMessageHandler(TMessage& Message);

    bool CheckOutAt(std::int32_t Index, bool Condition, THidDevice*& HidDev);
    bool CheckOutByIndex(THidDevice*& HidDev, std::int32_t Index);
    bool CheckOut(THidDevice*& HidDev);

    // Listed devices, in discovery order.
    std::int32_t Count() const { return static_cast<std::int32_t>(FList.size()); }
    THidDevice* Device(std::int32_t Index) const { return FList.at(Index); }

    THidPlugEvent OnArrival;
    THidPlugEvent OnRemoval;

    const TNotifyEvent& OnDeviceChange() const { return FDeviceChangeEvent; }
    void SetOnDeviceChange(const TNotifyEvent& Value);
    const THidEnumerateEvent& OnEnumerate() const { return FEnumerateEvent; }
    void SetOnEnumerate(const THidEnumerateEvent& Value);
    std::int32_t DevThreadSleepTime() const { return FDevThreadSleepTime; }
    void SetDevThreadSleepTime(std::int32_t Value);
    const THidDataEvent& OnDeviceData() const { return FDevDataEvent; }
    void SetOnDeviceData(const THidDataEvent& Value);
    const THidDataErrorEvent& OnDeviceDataError() const { return FDevDataErrorEvent; }
    void SetOnDeviceDataError(const THidDataErrorEvent& Value);
    const THidPlugEvent& OnDeviceUnplug() const { return FDevUnplugEvent; }
    void SetOnDeviceUnplug(const THidPlugEvent& Value);

    std::string Version() const { return FVersion; }
    void SetVersion(const std::string& Value) { FDummy = Value; }

    const GUID& HidGuid() const { return FHidGuid; }
    HWND WindowHandle() const { return FHWnd; }
    bool InDeviceChange() const { return FInDeviceChange; }

protected:
    void DoArrival(THidDevice* HidDev);
    void DoRemoval(THidDevice* HidDev);
    void DoDeviceChange();
    std::vector<std::unique_ptr<THidDevice>> EnumeratePresentDevices();

private:
    friend class THidDevice;

    // Check-in of a device being freed, with its handlers and wait time as they were.
    void CheckIn(THidDevice* HidDev, const THidDataEvent& DataHandler,
                 const THidPlugEvent& UnplugHandler, std::int32_t SleepTime);
    // Index of the object in the list, -1 when it is no longer listed.
    std::int32_t IndexOf(const THidDevice* HidDev, std::uint64_t Serial) const;
    // Runs fn for every listed object, also when fn lets handlers change the list.
    template <class Fn>
    void ForEachListed(Fn fn);
    void CallDeviceEvent(const THidPlugEvent& Event, THidDevice* HidDev);

    GUID FHidGuid{};
    TNotifyEvent FDeviceChangeEvent;
    THidEnumerateEvent FEnumerateEvent;
    THidDataEvent FDevDataEvent;
    THidDataErrorEvent FDevDataErrorEvent;
    THidPlugEvent FDevUnplugEvent;
    std::int32_t FDevThreadSleepTime = 100;
    std::string FVersion;
    std::string FDummy;
    std::vector<THidDevice*> FList;
    bool FInDeviceChange = false;
    bool FDeviceChangePending = false; // a device change came while one ran
    LPARAM FLParam = 0;
    HWND FHWnd = 0;
    bool FSetupApiBound = false; // this controller's device-setup reference
};

} // namespace hid
