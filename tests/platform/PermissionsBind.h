#pragma once
// File permissions that bind the calling thread even when it runs as root: the capabilities
// that override them are taken out of the thread's effective set while the object lives.
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

class PermissionsBind {
public:
    PermissionsBind() {
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct data[2] = {saved_[0], saved_[1]};
        for (unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            data[cap / 32].effective &= ~(1u << (cap % 32));
        dropped_ = ::syscall(SYS_capset, &header_, data) == 0;
    }
    ~PermissionsBind() {
        if (dropped_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    PermissionsBind(const PermissionsBind&) = delete;
    PermissionsBind& operator=(const PermissionsBind&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};
