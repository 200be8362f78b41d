#include "platform/linux/ReportDescriptor.h"

#include <algorithm>
#include <optional>

namespace hidraw {
namespace {

enum ItemType : std::uint8_t { Main = 0, Global = 1, Local = 2 };

// Main item tags.
constexpr std::uint8_t kInput = 0x8, kOutput = 0x9, kCollection = 0xA, kFeature = 0xB,
                       kEndCollection = 0xC;
// Global item tags.
constexpr std::uint8_t kUsagePage = 0x0, kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9,
                       kPush = 0xA, kPop = 0xB;
// Local item tags.
constexpr std::uint8_t kUsage = 0x0, kUsageMinimum = 0x1;

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::size_t kMaxPushDepth = 16;

struct Globals {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

struct ShortItem {
    std::uint8_t type;
    std::uint8_t tag;
    std::uint32_t data;
    std::size_t size; // data bytes
};

std::uint32_t LittleEndian(const std::uint8_t* p, std::size_t n) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i)
        v |= std::uint32_t(p[i]) << (8 * i);
    return v;
}

std::uint16_t ByteLength(std::uint64_t maxBits, bool any) {
    if (!any)
        return 0;
    return static_cast<std::uint16_t>((maxBits + 7) / 8 + 1);
}

class Parser {
public:
    std::optional<ReportDescriptorInfo> Run(std::span<const std::uint8_t> d) {
        std::size_t pos = 0;
        while (pos < d.size()) {
            const std::uint8_t prefix = d[pos];
            if (prefix == kLongItemPrefix) {
                if (d.size() - pos < 3)
                    return std::nullopt;
                const std::size_t dataSize = d[pos + 1];
                if (d.size() - pos - 3 < dataSize)
                    return std::nullopt;
                pos += 3 + dataSize;
                continue;
            }
            static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
            const std::size_t size = kSizes[prefix & 3];
            if (d.size() - pos - 1 < size)
                return std::nullopt;
            const ShortItem item{std::uint8_t((prefix >> 2) & 3), std::uint8_t(prefix >> 4),
                                 LittleEndian(&d[pos + 1], size), size};
            pos += 1 + size;
            if (!Apply(item))
                return std::nullopt;
        }
        return Finish();
    }

private:
    bool Apply(const ShortItem& item) {
        switch (item.type) {
        case Main: return ApplyMain(item);
        case Global: return ApplyGlobal(item);
        case Local: ApplyLocal(item); return true;
        default: return true; // reserved item type: skipped
        }
    }

    bool ApplyMain(const ShortItem& item) {
        bool ok = true;
        switch (item.tag) {
        case kInput: ok = AddBits(&ReportBits::input); break;
        case kOutput: ok = AddBits(&ReportBits::output); break;
        case kFeature: ok = AddBits(&ReportBits::feature); break;
        case kCollection:
            ++info_.collectionCount;
            if (depth_ == 0 && !topLevelSeen_) {
                topLevelSeen_ = true;
                const std::uint32_t usage = firstUsage_.value_or(0);
                // A four-byte usage carries its own page in the high half.
                info_.usagePage = static_cast<std::uint16_t>(
                    firstUsageSize_ == 4 ? usage >> 16 : globals_.usagePage);
                info_.usage = static_cast<std::uint16_t>(usage);
            }
            ++depth_;
            break;
        case kEndCollection:
            if (depth_ > 0)
                --depth_;
            break;
        default: break;
        }
        firstUsage_.reset();
        firstUsageSize_ = 0;
        return ok;
    }

    bool ApplyGlobal(const ShortItem& item) {
        switch (item.tag) {
        case kUsagePage: globals_.usagePage = item.data; break;
        case kReportSize: globals_.reportSize = item.data; break;
        case kReportCount: globals_.reportCount = item.data; break;
        case kReportId:
            if (item.data == 0 || item.data > 0xFF)
                return false;
            globals_.reportId = static_cast<std::uint8_t>(item.data);
            info_.numberedReports = true;
            break;
        case kPush:
            if (stack_.size() >= kMaxPushDepth)
                return false;
            stack_.push_back(globals_);
            break;
        case kPop:
            if (stack_.empty())
                return false;
            globals_ = stack_.back();
            stack_.pop_back();
            break;
        default: break;
        }
        return true;
    }

    void ApplyLocal(const ShortItem& item) {
        if ((item.tag == kUsage || item.tag == kUsageMinimum) && !firstUsage_) {
            firstUsage_ = item.data;
            firstUsageSize_ = item.size;
        }
    }

    bool AddBits(std::uint32_t ReportBits::*kind) {
        const std::uint64_t bits = std::uint64_t(globals_.reportSize) * globals_.reportCount;
        std::uint32_t& total = info_.reports[globals_.reportId].*kind;
        const std::uint64_t sum = total + bits;
        // The report's bytes plus the report-ID byte must fit the kernel's buffer.
        if ((sum + 7) / 8 + 1 > kMaxReportBytes)
            return false;
        total = static_cast<std::uint32_t>(sum);
        return true;
    }

    ReportDescriptorInfo Finish() {
        std::uint64_t in = 0, out = 0, feat = 0;
        bool anyIn = false, anyOut = false, anyFeat = false;
        for (const auto& [id, bits] : info_.reports) {
            in = std::max<std::uint64_t>(in, bits.input);
            out = std::max<std::uint64_t>(out, bits.output);
            feat = std::max<std::uint64_t>(feat, bits.feature);
            anyIn = anyIn || bits.input > 0;
            anyOut = anyOut || bits.output > 0;
            anyFeat = anyFeat || bits.feature > 0;
        }
        info_.inputReportByteLength = ByteLength(in, anyIn);
        info_.outputReportByteLength = ByteLength(out, anyOut);
        info_.featureReportByteLength = ByteLength(feat, anyFeat);
        info_.valid = true;
        return info_;
    }

    ReportDescriptorInfo info_;
    Globals globals_;
    std::vector<Globals> stack_;
    std::optional<std::uint32_t> firstUsage_;
    std::size_t firstUsageSize_ = 0;
    std::size_t depth_ = 0;
    bool topLevelSeen_ = false;
};

} // namespace

ReportDescriptorInfo ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
    if (auto info = Parser().Run(descriptor))
        return *info;
    return ReportDescriptorInfo{};
}

} // namespace hidraw
