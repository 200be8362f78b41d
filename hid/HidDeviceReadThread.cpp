#include "hid/HidControllerClass.h"
#include "hid/HidThreadContext.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace hid {

namespace {
thread_local bool tInReadThread = false;
} // namespace

bool InReadThread() { return tInReadThread; }
void SetInReadThread(bool value) { tInReadThread = value; }

THidDeviceReadThread::THidDeviceReadThread(THidDevice* Device)
    : rt::TThread(true), FDevice(Device) {
    HIDP_CAPS caps;
    FDevice->GetCaps(caps);
    FReport.assign(caps.InputReportByteLength, 0);
}

THidDeviceReadThread::~THidDeviceReadThread() {
    // Execute uses the members below: end it before they go.
    if (!Suspended() && !Finished()) {
        Stop();
        WaitFor();
    }
}

void THidDeviceReadThread::Execute() {
    SetInReadThread(true);
    DWORD lastWait = WaitIoCompletion;
    while (!Terminated()) {
        lastWait = WaitIoCompletion;
        HIDP_CAPS caps;
        FDevice->GetCaps(caps);
        const DWORD length =
            std::min<DWORD>(caps.InputReportByteLength, static_cast<DWORD>(FReport.size()));
        if (length > 0)
            std::memset(FReport.data(), 0, length);
        if (FDevice->OverlappedRead(FReport.data(), length, &ReadCompletionStub)) {
            do {
                lastWait = ::SleepEx(static_cast<DWORD>(FDevice->ThreadSleepTime()), TRUE);
            } while (!Terminated() && lastWait != WaitIoCompletion);
            if (Terminated())
                break;
            FBytesRead = std::min<DWORD>(FDevice->GetOverlappedReadResult(), length);
            if (FBytesRead > 0)
                Synchronize(rt::TThreadMethod::Of<&THidDeviceReadThread::DeliverReport>(this));
        } else {
            FLastError = ::GetLastError();
            Synchronize(rt::TThreadMethod::Of<&THidDeviceReadThread::DeliverReadError>(this));
            // A read that cannot start (the device has gone) is retried once per wait time,
            // not at once.
            Pause();
        }
    }
    if (lastWait != WaitIoCompletion)
        FDevice->CancelOverlappedIo();
}

void THidDeviceReadThread::Stop() {
    {
        std::lock_guard<std::mutex> lock(FPauseLock);
        Terminate();
    }
    FPauseEnd.notify_all();
}

void THidDeviceReadThread::Pause() {
    std::unique_lock<std::mutex> lock(FPauseLock);
    FPauseEnd.wait_for(lock, std::chrono::milliseconds(FDevice->ThreadSleepTime()),
                       [this] { return Terminated(); });
}

void THidDeviceReadThread::DeliverReport() {
    if (FDevice->FMuted)
        return;
    FDevice->FDataHandler(FDevice, FReport[0], FReport.data() + 1,
                          static_cast<std::uint16_t>(FBytesRead - 1));
}

void THidDeviceReadThread::DeliverReadError() {
    if (FDevice->FMuted)
        return;
    if (FDevice->FDataErrorHandler)
        FDevice->FDataErrorHandler(FDevice, FLastError);
}

void THidDeviceReadThread::ReadCompletionStub(DWORD, DWORD, LPOVERLAPPED) {}

} // namespace hid
