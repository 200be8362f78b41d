#include "platform/linux/UsbGadget.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace hidraw {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFunction = "functions/hid.usb0";
constexpr const char* kConfig = "configs/c.1";

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

bool WriteWhole(const std::string& path, const std::string& content) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    // an attribute takes its value in one write
    const ssize_t n = write(fd, content.data(), content.size());
    const int error = errno;
    close(fd);
    if (n == static_cast<ssize_t>(content.size()))
        return true;
    errno = n < 0 ? error : EIO;
    return false;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

bool Apply(const std::string& folder, const GadgetStep& step) {
    const std::string path = folder + "/" + step.path;
    std::error_code ec;
    switch (step.kind) {
    case GadgetStep::Folder: fs::create_directories(path, ec); break;
    case GadgetStep::File: return WriteWhole(path, step.content);
    case GadgetStep::Link:
        fs::create_directory_symlink(folder + "/" + step.content, path, ec);
        break;
    }
    if (ec)
        errno = ec.value();
    return !ec;
}

// The first device controller of the machine; empty when it has none.
std::string FirstUdc() {
    std::error_code ec;
    std::string first;
    for (const auto& entry : fs::directory_iterator("/sys/class/udc", ec)) {
        const std::string name = entry.path().filename();
        if (first.empty() || name < first)
            first = name;
    }
    return first;
}

} // namespace

std::vector<GadgetStep> GadgetLayout(const GadgetIdentity& id) {
    const std::string strings = "strings/0x409"; // US English, the one language
    return {
        {GadgetStep::Folder, "", ""},
        {GadgetStep::File, "idVendor", Hex4(id.vendor)},
        {GadgetStep::File, "idProduct", Hex4(id.product)},
        {GadgetStep::File, "bcdDevice", Hex4(id.bcdDevice)},
        {GadgetStep::File, "bcdUSB", Hex4(0x0200)},
        {GadgetStep::Folder, strings, ""},
        {GadgetStep::File, strings + "/manufacturer", id.manufacturer},
        {GadgetStep::File, strings + "/product", id.productString},
        {GadgetStep::File, strings + "/serialnumber", id.serial},
        {GadgetStep::Folder, kFunction, ""},
        {GadgetStep::File, std::string(kFunction) + "/protocol", "0"},
        {GadgetStep::File, std::string(kFunction) + "/subclass", "0"},
        {GadgetStep::File, std::string(kFunction) + "/report_length",
         std::to_string(id.reportLength)},
        {GadgetStep::File, std::string(kFunction) + "/report_desc",
         std::string(id.descriptor.begin(), id.descriptor.end())},
        {GadgetStep::Folder, kConfig, ""},
        {GadgetStep::File, std::string(kConfig) + "/MaxPower", "100"},
        {GadgetStep::Link, std::string(kConfig) + "/hid.usb0", kFunction},
    };
}

std::vector<GadgetStep> GadgetTeardown(const std::vector<GadgetStep>& layout) {
    std::vector<GadgetStep> out;
    for (auto it = layout.rbegin(); it != layout.rend(); ++it)
        if (it->kind != GadgetStep::File)
            out.push_back(*it);
    return out;
}

void UsbGadget::Undo(const std::string& folder, const std::vector<GadgetStep>& steps) {
    // configfs folders go with rmdir alone, their attributes with them
    for (const GadgetStep& step : GadgetTeardown(steps)) {
        const std::string path = step.path.empty() ? folder : folder + "/" + step.path;
        if (step.kind == GadgetStep::Link)
            unlink(path.c_str());
        else
            rmdir(path.c_str());
    }
}

std::unique_ptr<UsbGadget> UsbGadget::Create(const GadgetIdentity& identity,
                                             const std::string& root, const std::string& name) {
    const std::string folder = root + "/" + name;
    if (access(folder.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return nullptr;
    }
    const std::vector<GadgetStep> layout = GadgetLayout(identity);
    for (std::size_t i = 0; i < layout.size(); ++i) {
        if (!Apply(folder, layout[i])) {
            const int error = errno;
            Undo(folder, {layout.begin(), layout.begin() + std::ptrdiff_t(i)});
            errno = error;
            return nullptr;
        }
    }
    return std::unique_ptr<UsbGadget>(new UsbGadget(folder, layout));
}

UsbGadget::~UsbGadget() {
    Unbind();
    Undo(folder_, layout_);
}

bool UsbGadget::Bind(const std::string& udc) {
    if (Bound())
        return true;
    const std::string controller = udc.empty() ? FirstUdc() : udc;
    if (controller.empty()) {
        errno = ENODEV;
        return false;
    }
    if (!WriteWhole(folder_ + "/UDC", controller))
        return false;
    // the function's node, "major:minor", comes with the binding
    const std::string dev = ReadText(folder_ + "/" + kFunction + "/dev");
    std::error_code ec;
    const fs::path target = fs::read_symlink("/sys/dev/char/" + dev, ec);
    if (dev.empty() || ec) {
        Unbind();
        errno = ENODEV;
        return false;
    }
    node_ = "/dev/" + target.filename().string();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((fd_ = open(node_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) < 0 && errno == ENOENT &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // devtmpfs is making it
    if (fd_ < 0) {
        const int error = errno;
        WriteWhole(folder_ + "/UDC", "\n");
        node_.clear();
        errno = error;
        return false;
    }
    return true;
}

bool UsbGadget::Unbind() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    node_.clear();
    return ReadText(folder_ + "/UDC").empty() || WriteWhole(folder_ + "/UDC", "\n");
}

int UsbGadget::NextOutput(std::vector<std::uint8_t>& report, int timeoutMs) {
    if (fd_ < 0) {
        errno = ENODEV;
        return -1;
    }
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? 0 : -1;
    if (ready == 0)
        return 0;
    std::uint8_t buffer[4096];
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n < 0)
        return errno == EAGAIN || errno == EINTR ? 0 : -1;
    report.assign(buffer, buffer + n);
    return 1;
}

bool UsbGadget::SendInput(const std::uint8_t* data, std::size_t length, int timeoutMs) {
    if (fd_ < 0) {
        errno = ENODEV;
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const ssize_t n = write(fd_, data, length);
        if (n == static_cast<ssize_t>(length))
            return true;
        if (n >= 0) {
            errno = EIO;
            return false;
        }
        if (errno != EAGAIN && errno != EINTR)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            errno = ETIMEDOUT;
            return false;
        }
        pollfd p{fd_, POLLOUT, 0};
        poll(&p, 1, int(left.count()));
    }
}

} // namespace hidraw
