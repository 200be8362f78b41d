// The gadget's configfs layout, written out in an ordinary folder in place of configfs.
#include "platform/linux/UsbGadget.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace {

using namespace hidraw;
namespace fs = std::filesystem;

GadgetIdentity Analyzer() {
    GadgetIdentity id;
    id.vendor = 0x0925;
    id.product = 0x1299;
    id.bcdDevice = 0x0003;
    id.manufacturer = "Orvane";
    id.productString = "Kelvane A";
    id.serial = "0001";
    id.descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x00, 0xC0}; // a NUL inside
    return id;
}

std::string Content(const std::vector<GadgetStep>& layout, const std::string& path) {
    for (const GadgetStep& s : layout)
        if (s.path == path)
            return s.content;
    ADD_FAILURE() << "no step " << path;
    return {};
}

std::size_t IndexOf(const std::vector<GadgetStep>& layout, const std::string& path) {
    for (std::size_t i = 0; i < layout.size(); ++i)
        if (layout[i].path == path)
            return i;
    ADD_FAILURE() << "no step " << path;
    return layout.size();
}

TEST(UsbGadgetLayout, IdentityStringsAndFunction) {
    const auto layout = GadgetLayout(Analyzer());
    const struct {
        const char* path;
        std::string content;
    } cases[] = {
        {"idVendor", "0x0925"},
        {"idProduct", "0x1299"},
        {"bcdDevice", "0x0003"},
        {"bcdUSB", "0x0200"},
        {"strings/0x409/manufacturer", "Orvane"},
        {"strings/0x409/product", "Kelvane A"},
        {"strings/0x409/serialnumber", "0001"},
        {"functions/hid.usb0/report_length", "64"},
        {"functions/hid.usb0/report_desc", std::string("\x06\x00\xFF\x09\x01\xA1\x01\x00\xC0", 9)},
        {"configs/c.1/hid.usb0", "functions/hid.usb0"}, // the link's target
    };
    for (const auto& c : cases)
        EXPECT_EQ(Content(layout, c.path), c.content) << c.path;
    GadgetIdentity other = Analyzer();
    other.bcdDevice = 0x0100;
    EXPECT_EQ(Content(GadgetLayout(other), "bcdDevice"), "0x0100");
}

TEST(UsbGadgetLayout, FoldersComeFirstAndTheLinkLast) {
    const auto layout = GadgetLayout(Analyzer());
    ASSERT_FALSE(layout.empty());
    EXPECT_EQ(layout.front().kind, GadgetStep::Folder);
    EXPECT_EQ(layout.front().path, "");
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const auto slash = layout[i].path.rfind('/');
        if (layout[i].kind != GadgetStep::File || slash == std::string::npos)
            continue;
        // a file's folder is made before it (configfs makes strings/, functions/, configs/)
        const std::string folder = layout[i].path.substr(0, slash);
        if (folder != "strings" && folder != "functions" && folder != "configs") {
            EXPECT_LT(IndexOf(layout, folder), i) << layout[i].path;
        }
    }
    EXPECT_EQ(layout.back().kind, GadgetStep::Link);

    std::vector<std::string> undone;
    for (const GadgetStep& s : GadgetTeardown(layout))
        undone.push_back(s.path);
    EXPECT_EQ(undone, (std::vector<std::string>{"configs/c.1/hid.usb0", "configs/c.1",
                                                "functions/hid.usb0", "strings/0x409", ""}));
}

std::string FileText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(UsbGadgetLayout, CreateWritesTheLayoutAndRefusesAFolderInUse) {
    char pattern[] = "/tmp/gadget.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path root = pattern;
    {
        auto gadget = UsbGadget::Create(Analyzer(), root.string(), "cp");
        ASSERT_TRUE(gadget);
        EXPECT_FALSE(gadget->Bound());
        EXPECT_EQ(FileText(root / "cp/idVendor"), "0x0925");
        EXPECT_EQ(FileText(root / "cp/functions/hid.usb0/report_desc").size(), 9u);
        EXPECT_EQ(fs::read_symlink(root / "cp/configs/c.1/hid.usb0"),
                  root / "cp/functions/hid.usb0");
        errno = 0;
        EXPECT_FALSE(UsbGadget::Create(Analyzer(), root.string(), "cp"));
        EXPECT_EQ(errno, EEXIST);
        // no controller takes it here: no function node comes, so the binding fails
        EXPECT_FALSE(gadget->Bind("dummy_udc.0"));
        EXPECT_FALSE(gadget->Bound());
        EXPECT_EQ(FileText(root / "cp/UDC"), "\n");
    }
    fs::remove_all(root);
}

} // namespace
