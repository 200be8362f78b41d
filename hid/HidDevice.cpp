#include "hid/Hid.h"
#include "hid/HidControllerClass.h"
#include "hid/HidThreadContext.h"
#include "hid/ModuleLoader.h"

#include <algorithm>

namespace hid {

namespace {

std::atomic<std::uint64_t> NextSerial{0};

constexpr DWORD ShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr std::size_t StringChars = 254; // 508-byte string buffers
constexpr ULONG StringBytes = StringChars * sizeof(WCHAR);

std::u16string TextUpToNul(const WCHAR* buffer, std::size_t capacity) {
    const WCHAR* end = std::find(buffer, buffer + capacity, u'\0');
    return std::u16string(buffer, end);
}

} // namespace

THidDevice::THidDevice(std::unique_ptr<THidPnPInfo> PnPInfo, THidDeviceController* Controller)
    : FController(Controller), FPnPInfo(std::move(PnPInfo)), FSerial(++NextSerial) {
    if (Controller != nullptr) {
        SetDataEvent(Controller->OnDeviceData());
        FUnplugHandler = Controller->OnDeviceUnplug();
    }
    if (FPnPInfo == nullptr)
        throw EControllerError(RsDeviceCannotBeOpened);
    FSyncHandle = OpenSyncHandle();
    if (FSyncHandle == INVALID_HANDLE_VALUE) {
        // Kept unidentified (attributes all zero) where the variant says so.
        if (HidVariant().KeepsUnopenedDevice)
            return;
        throw EControllerError(RsDeviceCannotBeOpened);
    }
    FAttributes.Size = 12;
    if (!HidD_GetAttributes || !HidD_GetAttributes(FSyncHandle, &FAttributes)) {
        CloseDeviceHandle();
        throw EControllerError(RsDeviceCannotBeIdentified);
    }
    CloseDeviceHandle();
}

THidDevice::~THidDevice() {
    const THidDataEvent dataHandler = FDataHandler;
    const THidPlugEvent unplugHandler = FUnplugHandler;
    SetDataEvent(THidDataEvent());
    FUnplugHandler = THidPlugEvent();
    CloseDeviceHandle();
    CloseOverlappedHandle();
    FreePreparsedData();
    if (FController != nullptr)
        FController->CheckIn(this, dataHandler, unplugHandler, FThreadSleepTime.load());
}

bool THidDevice::IsAccessible() const {
    return FPluggedIn.load() && (FCheckedOut.load() || FInCallback.load());
}

HANDLE THidDevice::OpenSyncHandle() {
    const char* path = FPnPInfo->DevicePath.c_str();
    HANDLE handle = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, ShareReadWrite, nullptr,
                                  OPEN_EXISTING, 0, 0);
    FReadWriteAccess = handle != INVALID_HANDLE_VALUE;
    if (handle == INVALID_HANDLE_VALUE)
        handle = ::CreateFileA(path, 0, ShareReadWrite, nullptr, OPEN_EXISTING, 0, 0);
    return handle;
}

bool THidDevice::OpenDeviceHandle() {
    if (IsAccessible() && FSyncHandle == INVALID_HANDLE_VALUE && FPnPInfo != nullptr) {
        FSyncHandle = OpenSyncHandle();
        if (FSyncHandle != INVALID_HANDLE_VALUE) {
            ULONG count = 0;
            if (HidD_GetNumInputBuffers)
                HidD_GetNumInputBuffers(FSyncHandle, &count);
            FSyncBufferCount = count;
        }
    }
    return FSyncHandle != INVALID_HANDLE_VALUE;
}

void THidDevice::CloseDeviceHandle() {
    if (FSyncHandle != INVALID_HANDLE_VALUE)
        ::CloseHandle(FSyncHandle);
    FSyncBufferCount = 0;
    FSyncHandle = INVALID_HANDLE_VALUE;
}

bool THidDevice::OpenOverlappedHandle() {
    std::lock_guard<std::mutex> lock(FReadHandleLock);
    return OpenOverlappedHandleLocked();
}

bool THidDevice::OpenOverlappedHandleLocked() {
    if (!IsAccessible())
        return false;
    if (FReadHandle.load() == INVALID_HANDLE_VALUE && FPnPInfo != nullptr) {
        const HANDLE handle =
            ::CreateFileA(FPnPInfo->DevicePath.c_str(), GENERIC_READ, ShareReadWrite, nullptr,
                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, 0);
        if (handle != INVALID_HANDLE_VALUE) {
            ULONG count = 0;
            if (HidD_GetNumInputBuffers)
                HidD_GetNumInputBuffers(handle, &count);
            FReadBufferCount = count;
        }
        FReadHandle = handle;
    }
    return FReadHandle.load() != INVALID_HANDLE_VALUE;
}

void THidDevice::CloseOverlappedHandle() {
    std::lock_guard<std::mutex> lock(FReadHandleLock);
    const HANDLE handle = FReadHandle.load();
    if (handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(handle);
    FReadBufferCount = 0;
    FReadHandle = INVALID_HANDLE_VALUE;
}

void THidDevice::SetNumInputBuffers(std::uint32_t Count) {
    if (Count == FSyncBufferCount)
        return;
    if (!OpenDeviceHandle())
        return;
    HidD_SetNumInputBuffers(FSyncHandle, Count);
    ULONG count = 0;
    HidD_GetNumInputBuffers(FSyncHandle, &count);
    FSyncBufferCount = count;
}

void THidDevice::SetNumOverlappedBuffers(std::uint32_t Count) {
    if (Count == FReadBufferCount.load())
        return;
    std::lock_guard<std::mutex> lock(FReadHandleLock);
    if (!OpenOverlappedHandleLocked())
        return;
    HidD_SetNumInputBuffers(FReadHandle.load(), Count);
    ULONG count = 0;
    HidD_GetNumInputBuffers(FReadHandle.load(), &count);
    FReadBufferCount = count;
}

void THidDevice::SetThreadSleepTime(std::int32_t Milliseconds) {
    if (Milliseconds >= 10 && Milliseconds <= 10000)
        FThreadSleepTime = Milliseconds;
}

PHIDP_PREPARSED_DATA THidDevice::GetPreparsedData() {
    // The read thread only reads the cache: the handle it would need belongs to the main
    // thread.
    if (FPreparsedData.load() == nullptr && !InReadThread() && OpenDeviceHandle()) {
        PHIDP_PREPARSED_DATA data = nullptr;
        if (HidD_GetPreparsedData(FSyncHandle, &data))
            FPreparsedData = data;
        CloseDeviceHandle();
    }
    return FPreparsedData.load();
}

void THidDevice::FreePreparsedData() {
    PHIDP_PREPARSED_DATA data = FPreparsedData.exchange(nullptr);
    if (data != nullptr && HidD_FreePreparsedData)
        HidD_FreePreparsedData(data);
}

void THidDevice::GetCaps(HIDP_CAPS& Caps) {
    Caps = HIDP_CAPS{};
    PHIDP_PREPARSED_DATA data = GetPreparsedData();
    // No binding (the controller has gone): no capabilities.
    if (HidP_GetCaps)
        HidP_GetCaps(data, &Caps);
}

std::u16string THidDevice::GetProductName() {
    if (FProductName.empty() && OpenDeviceHandle()) {
        WCHAR buffer[StringChars] = {};
        if (HidD_GetProductString(FSyncHandle, buffer, StringBytes))
            FProductName = TextUpToNul(buffer, StringChars);
        CloseDeviceHandle();
    }
    return FProductName;
}

std::u16string THidDevice::GetSerialNumber() {
    if (!FSerialNumber.empty() || !OpenDeviceHandle())
        return FSerialNumber;
    WCHAR serial[StringChars] = {};
    if (HidD_GetSerialNumberString(FSyncHandle, serial, StringBytes)) {
        WORD languages[StringChars];
        std::fill(std::begin(languages), std::end(languages), WORD{0xFFFF});
        HidD_GetIndexedString(FSyncHandle, 0, languages, StringBytes);
        std::size_t length = 0;
        for (std::size_t i = StringChars; i-- > 0;) {
            if (languages[i] != 0xFFFF) {
                length = languages[i] == 0 ? i : i + 1;
                break;
            }
        }
        for (std::size_t i = 0; i < length; ++i) {
            if (static_cast<WORD>(serial[i]) != languages[i]) {
                FSerialNumber = TextUpToNul(serial, StringChars);
                break;
            }
        }
    }
    CloseDeviceHandle();
    return FSerialNumber;
}

bool THidDevice::SyncWrite(const void* Buffer, DWORD Count, DWORD& Written) {
    if (!OpenDeviceHandle()) {
        // A device that has gone, whether or not its removal was seen yet, is not connected;
        // no earlier call's error stands for it.
        if (!FPluggedIn.load() || ::GetLastError() == ERROR_FILE_NOT_FOUND)
            ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return false;
    }
    return ::WriteFile(FSyncHandle, Buffer, Count, &Written, nullptr) != FALSE;
}

bool THidDevice::OverlappedRead(void* Buffer, DWORD Count,
                                LPOVERLAPPED_COMPLETION_ROUTINE Routine) {
    std::lock_guard<std::mutex> lock(FReadHandleLock);
    if (!OpenOverlappedHandleLocked())
        return false;
    FReadOverlapped = OVERLAPPED{};
    FReadOverlapped.hEvent = this;
    return ::ReadFileEx(FReadHandle.load(), Buffer, Count, &FReadOverlapped, Routine) != FALSE;
}

DWORD THidDevice::GetOverlappedReadResult() {
    std::lock_guard<std::mutex> lock(FReadHandleLock);
    const HANDLE handle = FReadHandle.load();
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    DWORD bytes = 0;
    if (!::GetOverlappedResult(handle, &FReadOverlapped, &bytes, FALSE))
        return 0;
    return bytes;
}

bool THidDevice::CancelPendingIo(HANDLE Handle) {
    HMODULE kernel = 0;
    if (!LoadModuleHandle(kernel, "kernel32.dll"))
        return false;
    bool result = false;
    if (FARPROC cancel = FindModuleSymbol(kernel, "CancelIo"))
        result = reinterpret_cast<TCancelIo>(cancel)(Handle) != FALSE;
    FreeModuleHandle(kernel);
    return result;
}

bool THidDevice::CancelOverlappedIo() {
    const HANDLE handle = FReadHandle.load();
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    return CancelPendingIo(handle);
}

void THidDevice::SetDataEvent(const THidDataEvent& Handler) {
    if (!Handler)
        StopReadThread();
    FDataHandler = Handler;
    StartReadThread();
}

void THidDevice::StartReadThread() {
    if (FDataHandler && FPluggedIn.load() && FCheckedOut.load() && FReadWriteAccess &&
        FReadThread == nullptr) {
        FReadThread = std::make_unique<THidDeviceReadThread>(this);
        FReadThread->SetFreeOnTerminate(false);
        FReadThread->Resume();
    }
}

void THidDevice::StopReadThread() {
    // A handler run by the wait may ask again; the first call finishes the stop. The thread
    // stays in FReadThread meanwhile, so no second thread starts.
    if (FReadThread == nullptr || FStoppingThread)
        return;
    FStoppingThread = true;
    FReadThread->Stop();
    try {
        FReadThread->WaitFor();
    } catch (...) {
        FStoppingThread = false;
        throw;
    }
    FReadThread.reset();
    FStoppingThread = false;
}

void THidDevice::HandleUnplug() {
    // Inaccessible before the read handle closes: the read thread, woken by the close, must
    // not open it again.
    FPluggedIn = false;
    CloseDeviceHandle();
    CloseOverlappedHandle();
    // Cleared before the call: it runs at most once, and the handler may free the device.
    const THidPlugEvent handler = FUnplugHandler;
    FUnplugHandler = THidPlugEvent();
    if (handler)
        handler(this);
}

} // namespace hid
