#pragma once
// Where the hidraw bus learns which nodes are present: libudev on a real machine, recorded
// values in tests.
#include "platform/linux/UdevRecord.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hidraw {

class UdevSource {
public:
    virtual ~UdevSource() = default;
    // Every hidraw node present now.
    virtual std::vector<UdevRecord> Records() = 0;
    // The node at this device path now, if any.
    virtual std::optional<UdevRecord> Record(const std::string& devNode) = 0;
    // Whether the device of the record is still the one present (not gone, not re-plugged).
    virtual bool Present(const UdevRecord& record) = 0;
};

// Subsystem "hidraw" through libudev; the report descriptor from sysfs.
std::unique_ptr<UdevSource> MakeLibudevSource();

} // namespace hidraw
