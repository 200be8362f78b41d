#include "platform/linux/HidrawConnection.h"

#include "platform/linux/Errors.h"
#include "platform/linux/ReportIdBytes.h"
#include "platform/linux/UsbStrings.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

namespace hidraw {

HIDP_CAPS CapsOf(const ReportDescriptorInfo& d) {
    HIDP_CAPS caps;
    std::memset(&caps, 0, sizeof caps);
    caps.Usage = d.usage;
    caps.UsagePage = d.usagePage;
    caps.InputReportByteLength = d.inputReportByteLength;
    caps.OutputReportByteLength = d.outputReportByteLength;
    caps.FeatureReportByteLength = d.featureReportByteLength;
    caps.NumberLinkCollectionNodes = d.collectionCount;
    return caps;
}

HidrawConnection::Node::~Node() {
    if (stopFd >= 0)
        close(stopFd);
    if (fd >= 0)
        close(fd);
}

HidrawConnection::HidrawConnection(std::shared_ptr<UdevSource> source, UdevRecord record,
                                   ReportDescriptorInfo descriptor, int fd, DWORD access,
                                   platform::InputSink* sink)
    : source_(std::move(source)),
      record_(std::move(record)),
      descriptor_(std::move(descriptor)),
      node_(std::make_shared<Node>()),
      access_(access) {
    node_->fd = fd;
    node_->path = record_.devNode;
    if (!sink || fd < 0)
        return;
    node_->stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (node_->stopFd < 0)
        return;
    try {
        reader_ = std::thread(ReadLoop, node_, sink, descriptor_.numberedReports,
                              descriptor_.inputReportByteLength);
    } catch (const std::system_error&) {
        // No thread: Reading() tells the bus, which fails the open.
    }
}

HidrawConnection::~HidrawConnection() {
    if (!reader_.joinable())
        return;
    node_->stopping = true;
    const std::uint64_t one = 1;
    while (write(node_->stopFd, &one, sizeof one) < 0 && errno == EINTR) {}
    if (reader_.get_id() == std::this_thread::get_id())
        reader_.detach(); // closed from inside the sink: the loop ends when the call returns
    else
        reader_.join();
}

void HidrawConnection::ReadLoop(std::shared_ptr<Node> node, platform::InputSink* sink,
                                bool numbered, std::size_t reportLength) {
    // One buffer for the life of the handle, large enough for any report the kernel sends.
    std::vector<std::uint8_t> buffer(kMaxReportBytes + 1);
    std::string why;
    for (;;) {
        pollfd fds[2] = {{node->fd, POLLIN, 0}, {node->stopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            why = std::generic_category().message(errno);
            break;
        }
        if (fds[1].revents || node->stopping)
            return; // closing: the sink is not called
        if (fds[0].revents & POLLIN) {
            const auto area = KernelReadArea(buffer, numbered);
            const ssize_t n = read(node->fd, area.data(), area.size());
            if (n > 0) {
                const std::size_t seen = FinishRead(buffer, std::size_t(n), numbered, reportLength);
                sink->InputReport(buffer.data(), seen);
                if (node->stopping)
                    return;
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            why = n < 0 ? std::generic_category().message(errno) : "end of file";
            break; // the device has gone
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            why = fds[0].revents & POLLHUP ? "hung up" : "poll error";
            break;
        }
    }
    if (node->stopping)
        return;
    std::fprintf(stderr, "coldpoint: reading %s ended: %s\n", node->path.c_str(), why.c_str());
    sink->Disconnected();
}

DWORD HidrawConnection::Gone() const {
    return source_->Present(record_) ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED;
}

DWORD HidrawConnection::Write(const std::uint8_t* data, std::size_t length) {
    if (node_->fd < 0 || !(access_ & GENERIC_WRITE))
        return ERROR_ACCESS_DENIED;
    if (!data || !IsWritableReport({data, length}, descriptor_.numberedReports))
        return ERROR_INVALID_PARAMETER;
    for (;;) {
        // Byte 0 is the report number; hidraw leaves a 0 out itself.
        const ssize_t n = write(node_->fd, data, length);
        if (n == static_cast<ssize_t>(length)) {
            writeTrace_.Succeeded();
            return ERROR_SUCCESS;
        }
        if (n < 0 && errno == EINTR)
            continue;
        const int cause = errno;
        const std::string what = "write(2) to " + node_->path;
        if (n < 0)
            writeTrace_.Failed(what, cause);
        else
            writeTrace_.Failed(what + " took " + std::to_string(n) + " of " +
                               std::to_string(length) + " bytes");
        const DWORD error = n < 0 ? ErrorFromIo(cause) : ERROR_GEN_FAILURE;
        // whatever the transfer's error, a write to a device that has gone is not connected
        if (DWORD gone = Gone())
            return gone;
        return error;
    }
}

DWORD HidrawConnection::GetAttributes(HIDD_ATTRIBUTES& attributes) {
    if (DWORD e = Gone())
        return e;
    const auto a = AttributesOf(record_);
    if (!a)
        return ERROR_NOT_SUPPORTED;
    attributes.VendorID = a->vendorId;
    attributes.ProductID = a->productId;
    attributes.VersionNumber = a->versionNumber;
    return ERROR_SUCCESS;
}

DWORD HidrawConnection::GetCaps(HIDP_CAPS& caps) {
    if (DWORD e = Gone())
        return e;
    if (!descriptor_.valid)
        return ERROR_INVALID_DATA;
    caps = CapsOf(descriptor_);
    return ERROR_SUCCESS;
}

DWORD HidrawConnection::Answer(const std::optional<std::u16string>& value,
                               std::u16string& text) const {
    if (DWORD e = Gone())
        return e;
    if (!value)
        return ERROR_NOT_SUPPORTED;
    text = *value;
    return ERROR_SUCCESS;
}

DWORD HidrawConnection::GetProductString(std::u16string& text) {
    return Answer(ProductString(record_), text);
}

DWORD HidrawConnection::GetManufacturerString(std::u16string& text) {
    return Answer(ManufacturerString(record_), text);
}

DWORD HidrawConnection::GetSerialNumberString(std::u16string& text) {
    return Answer(SerialNumberString(record_), text);
}

DWORD HidrawConnection::GetIndexedString(ULONG index, std::u16string& words) {
    // Neither sysfs nor hidraw gives string descriptors by index: a USB device is asked
    // through usbfs, where its node opens; off USB there are none.
    if (DWORD e = Gone())
        return e;
    const std::string node = UsbfsNode(record_);
    if (node.empty())
        return ERROR_NOT_SUPPORTED;
    if (index > 0xFF)
        return ERROR_INVALID_PARAMETER;
    return ReadStringDescriptor(node, static_cast<std::uint8_t>(index), words);
}

} // namespace hidraw
