// A process without access to the analyzer's node (root's, mode 0600): run on its own, after
// coldpoint-uhid has created the analyzer. Gives up root first when it has it.
#include "KernelBus.h"

#include "app/core/OutputReport.h"

#include <grp.h>
#include <unistd.h>

namespace vmcheck {
namespace {

class Unprivileged : public KernelBus {
protected:
    static void SetUpTestSuite() {
        if (geteuid() == 0) {
            ASSERT_EQ(setgroups(0, nullptr), 0);
            ASSERT_EQ(setresgid(65534, 65534, 65534), 0);
            ASSERT_EQ(setresuid(65534, 65534, 65534), 0);
        }
        KernelBus::SetUpTestSuite();
    }
};

TEST_F(Unprivileged, AnalyzerIsListedButOnlyQueried) {
    ASSERT_TRUE(WaitUntil([&] { return Listed(0x0925, 0x1299) != nullptr; }))
        << "coldpoint-uhid's analyzer is not listed";
    hid::THidDevice* listed = Listed(0x0925, 0x1299);
    ASSERT_EQ(access(listed->PnPInfo()->DevicePath.c_str(), R_OK), -1) << "the node is open to us";
    const Arrived* a = ArrivalOf(0x0925, 0x1299);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->productName, u"Kelvane A");

    hid::THidDevice* d = CheckOutAnalyzer();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetProductName(), u"Kelvane A");
    HIDP_CAPS caps{};
    d->GetCaps(caps); // from the descriptor in sysfs, which anyone may read
    EXPECT_EQ(caps.InputReportByteLength, 65);
    EXPECT_EQ(caps.OutputReportByteLength, 65);
    EXPECT_FALSE(d->HasReadWriteAccess());
    EXPECT_EQ(d->ReadThread(), nullptr); // a data handler is set, but no thread starts
    const core::TOutputReport poll = core::PollReport();
    DWORD written = 0;
    EXPECT_FALSE(d->SyncWrite(poll.data(), poll.size(), written));
    EXPECT_EQ(written, 0u);
}

} // namespace
} // namespace vmcheck
