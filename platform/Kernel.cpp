// File handles on the device bus, overlapped reads with completion routines and alertable
// waits, bounded writes, and the per-thread last error.
//
// One lock guards every file, every read and every thread's completion queue. It is never
// held while the bus is called, so the bus may deliver reports while holding its own lock.
// The writes of a handle run on a thread of its own (see Writer).
#include "platform/DeviceBus.h"
#include "platform/Internal.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform::detail {
namespace {

constexpr ULONG kDefaultInputBuffers = 32;
constexpr ULONG kMinInputBuffers = 2;
constexpr ULONG kMaxInputBuffers = 512;
constexpr ULONG_PTR kStatusPending = 0x103;
// How long WriteFile waits for the device to take a report, from the moment the handle's
// writer thread has taken it; and how long for that thread to take it, which only a machine
// too loaded to run the thread makes it wait for.
constexpr auto kWriteWait = std::chrono::milliseconds(200);
constexpr auto kTakeWait = std::chrono::seconds(1);

struct ThreadIo;

// What each writer thread runs as it starts (test support: SetWriterStart).
struct WriterStartHook {
    std::mutex mutex;
    std::function<void()> start;
};

WriterStartHook& TheWriterStart() {
    static WriterStartHook hook;
    return hook;
}

std::function<void()> WriterStart() {
    std::lock_guard<std::mutex> lock(TheWriterStart().mutex);
    return TheWriterStart().start;
}

// The writes of one handle, on a thread of their own, so that a device that takes no report
// (a hung one, or one whose endpoint nobody reads) holds the writing thread no longer than
// kWriteWait once the writer thread has the report: the thread's start and its scheduling are
// not the device's. One write is in flight at a time; its report is copied, and it keeps its
// connection (and the file that is the connection's sink) until the device has taken it,
// also after the handle has been closed.
class Writer : public std::enable_shared_from_this<Writer> {
public:
    // ERROR_TIMEOUT when the device has not taken the report within the wait (or the writer
    // thread has not within kTakeWait), or has not yet taken the one before: a write is never
    // queued behind another.
    DWORD Write(std::shared_ptr<BusConnection> connection, const std::uint8_t* data,
                std::size_t length);
    // No write follows: the thread ends once the write in flight has.
    void Close();

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;              // a write to do, or Close
    std::condition_variable done_;              // a write has been taken, or has ended
    std::shared_ptr<BusConnection> connection_; // of the write not yet started
    std::vector<std::uint8_t> report_;
    std::uint64_t started_ = 0;
    std::uint64_t taken_ = 0; // by the writer thread
    std::uint64_t finished_ = 0;
    std::chrono::steady_clock::time_point takenAt_;
    DWORD error_ = ERROR_SUCCESS; // of the last write that ended
    bool running_ = false;
    bool closed_ = false;
};

DWORD Writer::Write(std::shared_ptr<BusConnection> connection, const std::uint8_t* data,
                    std::size_t length) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (started_ != finished_)
        return ERROR_TIMEOUT;
    if (!running_) {
        try {
            std::thread([self = shared_from_this(), start = WriterStart()] {
                if (start)
                    start();
                self->Run();
            }).detach();
        } catch (const std::system_error&) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        running_ = true;
    }
    report_.assign(data, data + length);
    connection_ = std::move(connection);
    const std::uint64_t mine = ++started_;
    wake_.notify_all();
    const auto handedOver = std::chrono::steady_clock::now();
    if (!done_.wait_until(lock, handedOver + kTakeWait, [&] { return taken_ == mine; }))
        return ERROR_TIMEOUT; // still in flight: the thread writes it once it runs
    if (!done_.wait_until(lock, takenAt_ + kWriteWait, [&] { return finished_ == mine; }))
        return ERROR_TIMEOUT;
    return error_;
}

void Writer::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    wake_.notify_all();
}

void Writer::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return connection_ || closed_; });
        if (!connection_)
            return;
        std::shared_ptr<BusConnection> connection = std::move(connection_);
        const std::vector<std::uint8_t> report = std::move(report_);
        report_.clear();
        taken_ = started_;
        takenAt_ = std::chrono::steady_clock::now();
        done_.notify_all();
        lock.unlock();
        const DWORD error = connection->Write(report.data(), report.size());
        connection.reset(); // may close the file, which closes this writer
        lock.lock();
        error_ = error;
        ++finished_;
        done_.notify_all();
    }
}

// One read started by ReadFileEx.
struct Read {
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED* overlapped = nullptr;
    std::uint8_t* buffer = nullptr;
    DWORD length = 0;
    LPOVERLAPPED_COMPLETION_ROUTINE routine = nullptr;
    ThreadIo* owner = nullptr;
    bool done = false;
    DWORD error = ERROR_SUCCESS;
    DWORD bytes = 0;
};

// What one thread waits for in SleepEx: its ended reads whose routines have not run yet.
struct ThreadIo {
    std::condition_variable wake;
    std::deque<std::shared_ptr<Read>> ended;
};

struct FileObject final : InputSink {
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD access = 0;
    bool overlapped = false;
    USHORT inputLength = 0;
    std::shared_ptr<BusConnection> connection;
    // Guarded by the lock:
    bool closed = false;
    bool disconnected = false;
    ULONG bufferCount = kDefaultInputBuffers;
    std::deque<std::vector<std::uint8_t>> reports;
    std::deque<std::shared_ptr<Read>> pending;
    std::shared_ptr<Writer> writer; // made by the first write

    ~FileObject() {
        if (writer)
            writer->Close();
    }
    void InputReport(const std::uint8_t* data, std::size_t length) override;
    void Disconnected() override;
};

struct Kernel {
    std::mutex mutex;
    std::condition_variable anyEnded; // GetOverlappedResult with bWait
    std::unordered_map<HANDLE, std::shared_ptr<FileObject>> files;
    // The last read started with each OVERLAPPED record, until its handle closes.
    std::unordered_map<const OVERLAPPED*, std::shared_ptr<Read>> reads;
};

Kernel& K() {
    static Kernel kernel;
    return kernel;
}

// Lock held: the read has ended; its routine runs in its thread's next alertable wait.
void End(const std::shared_ptr<Read>& read, DWORD error, DWORD bytes) {
    read->done = true;
    read->error = error;
    read->bytes = bytes;
    if (read->owner) {
        read->owner->ended.push_back(read);
        read->owner->wake.notify_all();
    }
    K().anyEnded.notify_all();
}

// Lock held.
void Fill(const std::shared_ptr<Read>& read, const std::uint8_t* data, std::size_t length) {
    const DWORD n = static_cast<DWORD>(std::min<std::size_t>(length, read->length));
    if (n)
        std::memcpy(read->buffer, data, n);
    End(read, ERROR_SUCCESS, n);
}

void FileObject::InputReport(const std::uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(K().mutex);
    if (closed || disconnected)
        return;
    if (!pending.empty()) {
        auto read = pending.front();
        pending.pop_front();
        Fill(read, data, length);
        return;
    }
    reports.emplace_back(data, data + length);
    while (reports.size() > bufferCount)
        reports.pop_front(); // full: the oldest goes
}

void FileObject::Disconnected() {
    std::lock_guard<std::mutex> lock(K().mutex);
    if (disconnected)
        return;
    disconnected = true;
    reports.clear();
    for (auto& read : pending)
        End(read, ERROR_DEVICE_NOT_CONNECTED, 0);
    pending.clear();
}

// The calling thread's completion queue; a thread that ends drops its reads.
struct ThreadIoHolder {
    ThreadIo io;
    ~ThreadIoHolder() {
        std::lock_guard<std::mutex> lock(K().mutex);
        for (auto& [handle, file] : K().files) {
            auto& p = file->pending;
            for (auto it = p.begin(); it != p.end();) {
                if ((*it)->owner == &io) {
                    (*it)->done = true;
                    (*it)->error = ERROR_OPERATION_ABORTED;
                    (*it)->owner = nullptr;
                    it = p.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (auto& read : io.ended)
            read->owner = nullptr;
        io.ended.clear();
        K().anyEnded.notify_all();
    }
};

ThreadIo& CurrentIo() {
    thread_local ThreadIoHolder holder;
    return holder.io;
}

// Lock held.
FileObject* FindFile(HANDLE handle) {
    auto it = K().files.find(handle);
    return it == K().files.end() ? nullptr : it->second.get();
}

thread_local DWORD t_lastError = ERROR_SUCCESS;

// Lock held: the file's connection, which keeps the file alive as long as it is held: the
// file is the connection's sink.
std::shared_ptr<BusConnection> HeldConnection(const std::shared_ptr<FileObject>& file) {
    struct Held {
        std::shared_ptr<FileObject> file;
        std::shared_ptr<BusConnection> connection; // destroyed first
    };
    auto held = std::make_shared<Held>(Held{file, file->connection});
    return std::shared_ptr<BusConnection>(held, held->connection.get());
}

} // namespace

std::function<void()> SetWriterStart(std::function<void()> start) {
    std::lock_guard<std::mutex> lock(TheWriterStart().mutex);
    return std::exchange(TheWriterStart().start, std::move(start));
}

HANDLE NewHandleValue() {
    static std::atomic<std::uint32_t> next{0x100};
    return static_cast<HANDLE>(next.fetch_add(4));
}

std::shared_ptr<BusConnection> FileConnection(HANDLE handle) {
    std::lock_guard<std::mutex> lock(K().mutex);
    if (!FindFile(handle)) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return HeldConnection(K().files.at(handle));
}

bool GetInputBuffers(HANDLE handle, ULONG& count) {
    std::lock_guard<std::mutex> lock(K().mutex);
    FileObject* file = FindFile(handle);
    if (!file)
        return Fail(ERROR_INVALID_HANDLE);
    count = file->bufferCount;
    return true;
}

bool SetInputBuffers(HANDLE handle, ULONG count) {
    std::lock_guard<std::mutex> lock(K().mutex);
    FileObject* file = FindFile(handle);
    if (!file)
        return Fail(ERROR_INVALID_HANDLE);
    if (count < kMinInputBuffers || count > kMaxInputBuffers)
        return Fail(ERROR_INVALID_PARAMETER);
    file->bufferCount = count;
    while (file->reports.size() > count)
        file->reports.pop_front();
    return true;
}

std::size_t FileHandleCount() {
    std::lock_guard<std::mutex> lock(K().mutex);
    return K().files.size();
}

} // namespace platform::detail

using namespace platform::detail;
using platform::BusConnection;

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   void* lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    (void)dwShareMode;
    (void)lpSecurityAttributes;
    (void)hTemplateFile;
    if (!lpFileName)
        return Fail(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
    if (dwCreationDisposition != OPEN_EXISTING)
        return Fail(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
    platform::DeviceBus* bus = platform::CurrentDeviceBus();
    if (!bus)
        return Fail(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;

    auto file = std::make_shared<FileObject>();
    file->access = dwDesiredAccess & (GENERIC_READ | GENERIC_WRITE);
    file->overlapped = (dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0;
    const bool reads = file->overlapped && (file->access & GENERIC_READ);
    std::unique_ptr<BusConnection> connection;
    const DWORD error =
        bus->Open(lpFileName, file->access, reads ? file.get() : nullptr, connection);
    if (error != ERROR_SUCCESS || !connection)
        return Fail(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE), INVALID_HANDLE_VALUE;
    HIDP_CAPS caps{};
    if (connection->GetCaps(caps) == ERROR_SUCCESS)
        file->inputLength = caps.InputReportByteLength;
    file->connection = std::move(connection);

    std::lock_guard<std::mutex> lock(K().mutex);
    file->handle = NewHandleValue();
    K().files[file->handle] = file;
    return file->handle;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = 0;
    std::shared_ptr<Writer> writer;
    std::shared_ptr<BusConnection> connection;
    {
        std::lock_guard<std::mutex> lock(K().mutex);
        auto it = K().files.find(hFile);
        if (it == K().files.end())
            return Fail(ERROR_INVALID_HANDLE);
        FileObject& file = *it->second;
        if (!(file.access & GENERIC_WRITE))
            return Fail(ERROR_ACCESS_DENIED);
        if (file.disconnected)
            return Fail(ERROR_DEVICE_NOT_CONNECTED);
        if (!file.writer)
            file.writer = std::make_shared<Writer>();
        writer = file.writer;
        connection = HeldConnection(it->second);
    }
    if (lpOverlapped)
        return Fail(ERROR_NOT_SUPPORTED); // writes are synchronous here
    if (!lpBuffer && nNumberOfBytesToWrite)
        return Fail(ERROR_INVALID_USER_BUFFER);
    const DWORD error = writer->Write(
        std::move(connection), static_cast<const std::uint8_t*>(lpBuffer), nNumberOfBytesToWrite);
    if (error != ERROR_SUCCESS)
        return Fail(error);
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
}

BOOL ReadFileEx(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                LPOVERLAPPED lpOverlapped, LPOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    ThreadIo& io = CurrentIo();
    std::lock_guard<std::mutex> lock(K().mutex);
    FileObject* file = FindFile(hFile);
    if (!file)
        return Fail(ERROR_INVALID_HANDLE);
    if (!file->overlapped || !lpOverlapped || !lpCompletionRoutine)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!(file->access & GENERIC_READ))
        return Fail(ERROR_ACCESS_DENIED);
    // A report never arrives cut: the buffer must hold a whole one.
    if (!lpBuffer || nNumberOfBytesToRead == 0 || nNumberOfBytesToRead < file->inputLength)
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (file->disconnected)
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    // A record still in use by a pending read cannot start another one.
    if (auto it = K().reads.find(lpOverlapped); it != K().reads.end() && !it->second->done)
        return Fail(ERROR_INVALID_PARAMETER);

    auto read = std::make_shared<Read>();
    read->handle = hFile;
    read->overlapped = lpOverlapped;
    read->buffer = static_cast<std::uint8_t*>(lpBuffer);
    read->length = nNumberOfBytesToRead;
    read->routine = lpCompletionRoutine;
    read->owner = &io;
    lpOverlapped->Internal = kStatusPending;
    lpOverlapped->InternalHigh = 0;
    K().reads[lpOverlapped] = read;
    if (!file->reports.empty()) {
        auto report = std::move(file->reports.front());
        file->reports.pop_front();
        Fill(read, report.data(), report.size());
    } else {
        file->pending.push_back(read);
    }
    ::SetLastError(ERROR_SUCCESS);
    return TRUE;
}

DWORD SleepEx(DWORD dwMilliseconds, BOOL bAlertable) {
    if (!bAlertable) {
        if (dwMilliseconds == INFINITE)
            for (;;)
                std::this_thread::sleep_for(std::chrono::hours(24));
        std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
        return 0;
    }
    ThreadIo& io = CurrentIo();
    std::deque<std::shared_ptr<Read>> ended;
    {
        std::unique_lock<std::mutex> lock(K().mutex);
        auto ready = [&] { return !io.ended.empty(); };
        if (dwMilliseconds == INFINITE)
            io.wake.wait(lock, ready);
        else
            io.wake.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), ready);
        ended.swap(io.ended);
        for (auto& read : ended)
            read->owner = nullptr;
    }
    if (ended.empty())
        return 0;
    for (auto& read : ended) {
        read->overlapped->Internal = read->error;
        read->overlapped->InternalHigh = read->bytes;
        read->routine(read->error, read->bytes, read->overlapped);
    }
    return WAIT_IO_COMPLETION;
}

void Sleep(DWORD dwMilliseconds) { SleepEx(dwMilliseconds, FALSE); }

BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped,
                         LPDWORD lpNumberOfBytesTransferred, BOOL bWait) {
    std::unique_lock<std::mutex> lock(K().mutex);
    if (!FindFile(hFile))
        return Fail(ERROR_INVALID_HANDLE);
    auto it = K().reads.find(lpOverlapped);
    if (!lpOverlapped || it == K().reads.end() || it->second->handle != hFile)
        return Fail(ERROR_INVALID_PARAMETER);
    std::shared_ptr<Read> read = it->second;
    if (!read->done) {
        if (!bWait)
            return Fail(ERROR_IO_INCOMPLETE);
        K().anyEnded.wait(lock, [&] { return read->done; });
    }
    if (lpNumberOfBytesTransferred)
        *lpNumberOfBytesTransferred = read->bytes;
    if (read->error != ERROR_SUCCESS)
        return Fail(read->error);
    return TRUE;
}

BOOL CancelIo(HANDLE hFile) {
    ThreadIo& io = CurrentIo();
    std::lock_guard<std::mutex> lock(K().mutex);
    FileObject* file = FindFile(hFile);
    if (!file)
        return Fail(ERROR_INVALID_HANDLE);
    auto& p = file->pending;
    for (auto it = p.begin(); it != p.end();) {
        if ((*it)->owner == &io) {
            End(*it, ERROR_OPERATION_ABORTED, 0);
            it = p.erase(it);
        } else {
            ++it;
        }
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
    std::shared_ptr<FileObject> file;
    std::shared_ptr<BusConnection> connection;
    {
        std::lock_guard<std::mutex> lock(K().mutex);
        auto it = K().files.find(hObject);
        if (it == K().files.end())
            return Fail(ERROR_INVALID_HANDLE);
        file = it->second;
        K().files.erase(it);
        file->closed = true;
        file->reports.clear();
        for (auto& read : file->pending)
            End(read, ERROR_OPERATION_ABORTED, 0);
        file->pending.clear();
        for (auto r = K().reads.begin(); r != K().reads.end();)
            r = r->second->handle == hObject ? K().reads.erase(r) : std::next(r);
        connection = std::move(file->connection);
    }
    connection.reset(); // outside the lock: the bus may be delivering a report right now
    return TRUE;
}
