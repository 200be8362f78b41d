#pragma once
// One open handle on a hidraw node. Queries answer from the udev record and the report
// descriptor; a handle opened without access has no descriptor and serves only queries. A
// handle with read access and a sink runs a reader thread that waits in poll(2) on the node
// and hands every report, report ID first, to the sink.
#include "platform/DeviceBus.h"
#include "platform/linux/Errors.h"
#include "platform/linux/ReportDescriptor.h"
#include "platform/linux/UdevSource.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace hidraw {

class HidrawConnection final : public platform::BusConnection {
public:
    // fd: -1 for a query-only handle, else owned. sink: null unless the handle reads.
    HidrawConnection(std::shared_ptr<UdevSource> source, UdevRecord record,
                     ReportDescriptorInfo descriptor, int fd, DWORD access,
                     platform::InputSink* sink);
    ~HidrawConnection() override;

    // A handle with a sink has its reader thread running.
    bool Reading() const { return reader_.joinable(); }

    DWORD Write(const std::uint8_t* data, std::size_t length) override;
    DWORD GetAttributes(HIDD_ATTRIBUTES& attributes) override;
    DWORD GetCaps(HIDP_CAPS& caps) override;
    DWORD GetProductString(std::u16string& text) override;
    DWORD GetManufacturerString(std::u16string& text) override;
    DWORD GetSerialNumberString(std::u16string& text) override;
    DWORD GetIndexedString(ULONG index, std::u16string& words) override;

private:
    // What the reader thread uses; shared with it, so that a handle closed from inside its
    // own sink leaves the thread nothing freed. Closes the descriptors when the last owner
    // lets go.
    struct Node {
        std::string path; // for the line that tells why the reads ended
        int fd = -1;
        int stopFd = -1;
        std::atomic<bool> stopping{false};
        ~Node();
    };

    DWORD Gone() const; // ERROR_SUCCESS while the device is present
    DWORD Answer(const std::optional<std::u16string>& value, std::u16string& text) const;
    static void ReadLoop(std::shared_ptr<Node> node, platform::InputSink* sink, bool numbered,
                         std::size_t reportLength);

    std::shared_ptr<UdevSource> source_;
    UdevRecord record_;
    ReportDescriptorInfo descriptor_;
    std::shared_ptr<Node> node_;
    DWORD access_;
    TraceOnce writeTrace_;
    std::thread reader_;
};

// The HID capabilities a parsed descriptor gives.
HIDP_CAPS CapsOf(const ReportDescriptorInfo& descriptor);

} // namespace hidraw
