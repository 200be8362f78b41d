#include "platform/linux/UhidDevice.h"

#include <linux/uhid.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace hidraw {
namespace {

bool WriteEvent(int fd, const uhid_event& ev) {
    ssize_t n;
    do {
        n = ::write(fd, &ev, sizeof ev);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof ev);
}

void CopyText(std::uint8_t* to, std::size_t size, const std::string& text) {
    std::memcpy(to, text.data(), std::min(text.size(), size - 1));
}

} // namespace

std::unique_ptr<UhidDevice> UhidDevice::Create(const UhidIdentity& identity, const char* node) {
    if (identity.descriptor.empty() || identity.descriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        errno = EINVAL;
        return nullptr;
    }
    const int fd = ::open(node, O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<UhidDevice> device(new UhidDevice(fd));

    auto ev = std::make_unique<uhid_event>();
    std::memset(ev.get(), 0, sizeof *ev);
    ev->type = UHID_CREATE2;
    uhid_create2_req& req = ev->u.create2;
    CopyText(req.name, sizeof req.name, identity.name);
    CopyText(req.uniq, sizeof req.uniq, identity.uniq);
    req.bus = identity.bus;
    req.vendor = identity.vendor;
    req.product = identity.product;
    req.version = identity.version;
    req.rd_size = static_cast<__u16>(identity.descriptor.size());
    std::memcpy(req.rd_data, identity.descriptor.data(), identity.descriptor.size());
    if (!WriteEvent(fd, *ev))
        return nullptr;
    device->created_ = true;
    return device;
}

UhidDevice::~UhidDevice() {
    Destroy();
    const int saved = errno;
    ::close(fd_);
    errno = saved;
}

int UhidDevice::Next(UhidEvent& event, int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready == 0)
        return 0;
    if (ready < 0)
        return errno == EINTR ? 0 : -1;
    auto ev = std::make_unique<uhid_event>();
    const ssize_t n = ::read(fd_, ev.get(), sizeof *ev);
    if (n < 0)
        return (errno == EINTR || errno == EAGAIN) ? 0 : -1;
    if (n < static_cast<ssize_t>(sizeof ev->type))
        return -1;

    event = UhidEvent{};
    switch (ev->type) {
    case UHID_START: event.kind = UhidEvent::Start; break;
    case UHID_STOP: event.kind = UhidEvent::Stop; break;
    case UHID_OPEN: event.kind = UhidEvent::Open; break;
    case UHID_CLOSE: event.kind = UhidEvent::Close; break;
    case UHID_OUTPUT: {
        event.kind = UhidEvent::Output;
        const std::size_t size = std::min<std::size_t>(ev->u.output.size, UHID_DATA_MAX);
        event.data.assign(ev->u.output.data, ev->u.output.data + size);
        break;
    }
    case UHID_GET_REPORT:
        event.kind = UhidEvent::GetReport;
        event.id = ev->u.get_report.id;
        break;
    case UHID_SET_REPORT:
        event.kind = UhidEvent::SetReport;
        event.id = ev->u.set_report.id;
        break;
    default: break;
    }
    return 1;
}

bool UhidDevice::SendInput(const std::uint8_t* data, std::size_t length) {
    if (!created_ || length > UHID_DATA_MAX)
        return false;
    auto ev = std::make_unique<uhid_event>();
    std::memset(ev.get(), 0, sizeof *ev);
    ev->type = UHID_INPUT2;
    ev->u.input2.size = static_cast<__u16>(length);
    std::memcpy(ev->u.input2.data, data, length);
    return WriteEvent(fd_, *ev);
}

bool UhidDevice::RefuseRequest(const UhidEvent& event) {
    auto ev = std::make_unique<uhid_event>();
    std::memset(ev.get(), 0, sizeof *ev);
    if (event.kind == UhidEvent::GetReport) {
        ev->type = UHID_GET_REPORT_REPLY;
        ev->u.get_report_reply.id = event.id;
        ev->u.get_report_reply.err = EIO;
    } else if (event.kind == UhidEvent::SetReport) {
        ev->type = UHID_SET_REPORT_REPLY;
        ev->u.set_report_reply.id = event.id;
        ev->u.set_report_reply.err = EIO;
    } else {
        return false;
    }
    return WriteEvent(fd_, *ev);
}

bool UhidDevice::Destroy() {
    if (!created_)
        return true;
    created_ = false;
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    return WriteEvent(fd_, ev);
}

} // namespace hidraw
