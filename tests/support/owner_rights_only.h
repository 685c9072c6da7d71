#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// While alive, this thread has only the rights a folder's mode bits give
// it: a suite run as root otherwise reads every folder whatever its mode,
// and a folder made unreadable would not be. Capabilities belong to the
// thread, so everything the test needs refused must run on it.
class OwnerRightsOnly {
public:
    OwnerRightsOnly() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
            reduced[cap / 32].effective &= ~(1u << (cap % 32));
        active_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~OwnerRightsOnly() {
        if (active_)
            syscall(SYS_capset, &header_, saved_);
    }
    OwnerRightsOnly(const OwnerRightsOnly&) = delete;
    OwnerRightsOnly& operator=(const OwnerRightsOnly&) = delete;

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};
