#include "platform/linux/Errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using namespace hidraw;

TEST(HidrawErrors, OpenAndIoMapTheDevicesAbsenceDifferently) {
    // A node that has gone is "not found" when opened, "not connected" once it was open.
    for (int e : {ENOENT, ENODEV, ENXIO}) {
        EXPECT_EQ(ErrorFromOpen(e), ERROR_FILE_NOT_FOUND) << e;
        EXPECT_EQ(ErrorFromIo(e), ERROR_DEVICE_NOT_CONNECTED) << e;
    }
    // what a USB device that has vanished gives: the host controller's transfer errors
    for (int e : {EIO, EPIPE, ESHUTDOWN, EPROTO, EILSEQ, ETIME, ECONNRESET, ENOTCONN})
        EXPECT_EQ(ErrorFromIo(e), ERROR_DEVICE_NOT_CONNECTED) << e;
}

TEST(HidrawErrors, SharedCodes) {
    for (auto map : {&ErrorFromOpen, &ErrorFromIo}) {
        EXPECT_EQ(map(EACCES), ERROR_ACCESS_DENIED);
        EXPECT_EQ(map(EPERM), ERROR_ACCESS_DENIED);
        EXPECT_EQ(map(EBADF), ERROR_ACCESS_DENIED);
        EXPECT_EQ(map(EBUSY), ERROR_SHARING_VIOLATION);
        EXPECT_EQ(map(EINVAL), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(map(ETIMEDOUT), ERROR_GEN_FAILURE);
    }
}

} // namespace
