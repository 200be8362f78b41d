#include "platform/linux/HidrawBus.h"

#include "platform/linux/Errors.h"
#include "platform/linux/HidrawConnection.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace hidraw {
namespace {

// Where sysfs could not give the descriptor, the node's ioctl may.
std::vector<std::uint8_t> DescriptorFromNode(int fd, const std::string& path) {
    int size = 0;
    if (fd < 0)
        return {};
    if (ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) {
        TraceFailure("ioctl(HIDIOCGRDESCSIZE) on " + path, errno);
        return {};
    }
    if (size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE)
        return {};
    hidraw_report_descriptor rd{};
    rd.size = static_cast<__u32>(size);
    if (ioctl(fd, HIDIOCGRDESC, &rd) < 0) {
        TraceFailure("ioctl(HIDIOCGRDESC) on " + path, errno);
        return {};
    }
    return {rd.value, rd.value + std::min<std::size_t>(rd.size, HID_MAX_DESCRIPTOR_SIZE)};
}

int OpenFlags(DWORD access, bool reads) {
    int flags = O_CLOEXEC;
    const bool r = access & GENERIC_READ, w = access & GENERIC_WRITE;
    flags |= r && w ? O_RDWR : r ? O_RDONLY : O_WRONLY;
    if (reads)
        flags |= O_NONBLOCK; // the reader thread waits in poll(2)
    return flags;
}

} // namespace

HidrawBus::HidrawBus() : HidrawBus(MakeLibudevSource(), true) {}

HidrawBus::HidrawBus(std::shared_ptr<UdevSource> source, bool watch) : source_(std::move(source)) {
    if (watch)
        monitor_ = std::make_unique<HotplugMonitor>([this] { DevicesChanged(); });
}

HidrawBus::~HidrawBus() { monitor_.reset(); }

void HidrawBus::DevicesChanged() { NotifyDeviceChange(); }

std::vector<platform::BusInterface> HidrawBus::Interfaces() {
    std::lock_guard lock(mutex_);
    std::vector<UdevRecord> records = source_->Records();
    entries_.clear();
    instanceOfPath_.clear();
    std::vector<platform::BusInterface> out;
    for (UdevRecord& r : records) {
        const DWORD instance = InstanceNumber(r);
        if (entries_.count(instance) || instanceOfPath_.count(r.devNode))
            continue;
        const auto descriptor = ParseReportDescriptor(r.reportDescriptor);
        out.push_back({instance, r.devNode});
        instanceOfPath_[r.devNode] = instance;
        RegistryProperties properties = RegistryPropertiesOf(r, descriptor);
        entries_.emplace(instance, Entry{std::move(r), std::move(properties)});
    }
    std::sort(out.begin(), out.end(),
              [](const auto& a, const auto& b) { return a.instance < b.instance; });
    return out;
}

DWORD HidrawBus::RegistryProperty(DWORD instance, DWORD code, DWORD& type, std::string& bytes) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(instance);
    if (it == entries_.end() || !source_->Present(it->second.record))
        return ERROR_NO_SUCH_DEVINST;
    auto p = it->second.properties.find(code);
    if (p == it->second.properties.end())
        return ERROR_INVALID_DATA;
    type = platform::RegistryPropertyType(code);
    bytes = p->second;
    return ERROR_SUCCESS;
}

DWORD HidrawBus::Open(const std::string& path, DWORD access, platform::InputSink* sink,
                      std::unique_ptr<platform::BusConnection>& connection) {
    std::optional<UdevRecord> record;
    {
        std::lock_guard lock(mutex_);
        record = source_->Record(path);
        if (!record)
            return ERROR_FILE_NOT_FOUND;
        auto known = instanceOfPath_.find(path);
        if (known != instanceOfPath_.end() && known->second != InstanceNumber(*record))
            return ERROR_FILE_NOT_FOUND; // the node now belongs to another device
    }
    const bool reads = sink && (access & GENERIC_READ);
    int fd = -1;
    if (access & (GENERIC_READ | GENERIC_WRITE)) {
        fd = open(path.c_str(), OpenFlags(access, reads));
        const int error = errno;
        std::lock_guard lock(mutex_);
        TraceOnce& trace = openTraces_[path];
        if (fd < 0) {
            trace.Failed("cannot open " + path, error);
            return ErrorFromOpen(error);
        }
        trace.Succeeded();
    }
    if (record->reportDescriptor.empty())
        record->reportDescriptor = DescriptorFromNode(fd, path);
    auto descriptor = ParseReportDescriptor(record->reportDescriptor);
    auto opened = std::make_unique<HidrawConnection>(
        source_, std::move(*record), std::move(descriptor), fd, access, reads ? sink : nullptr);
    if (reads && !opened->Reading())
        return ERROR_NOT_ENOUGH_MEMORY;
    connection = std::move(opened);
    return ERROR_SUCCESS;
}

bool UseHidrawBus() { return platform::SetDefaultDeviceBus(std::make_unique<HidrawBus>()); }

} // namespace hidraw
