#pragma once
// The records of an open table: those read from the file in one block, and
// those appended since in blocks reserved whole when they start, so that a
// table of hundreds of thousands of records grows without copying or moving
// what it already holds. The blocks double from 16 records to 8,192 and stay
// at 8,192, so that a table of a few records does not reserve room for
// thousands. Records are numbered from 0 in file order, deleted ones included.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vindeleo {

class RecordStore {
public:
    // The records read from a file: count records of length bytes from offset on.
    void Reset(std::string fileBytes, std::size_t offset, std::size_t count, std::size_t length) {
        base_ = std::move(fileBytes);
        offset_ = offset;
        baseCount_ = count;
        length_ = length;
        blocks_.clear();
        count_ = count;
    }
    void Clear() {
        base_ = std::string();
        offset_ = baseCount_ = length_ = count_ = 0;
        blocks_.clear();
    }
    std::size_t Count() const { return count_; }
    const char* At(std::size_t number) const {
        if (number < baseCount_) return base_.data() + offset_ + number * length_;
        const auto [block, within] = Place(number - baseCount_);
        return blocks_[block].data() + within * length_;
    }
    void Append(std::string_view record) {
        if (blocks_.empty() || blocks_.back().size() >= BlockRecords(blocks_.size() - 1) * length_) {
            blocks_.emplace_back();
            blocks_.back().reserve(BlockRecords(blocks_.size() - 1) * length_);
        }
        blocks_.back().append(record);
        ++count_;
    }
    // The records in file order, as pieces to write.
    std::vector<std::string_view> Blocks() const {
        std::vector<std::string_view> pieces;
        pieces.emplace_back(base_.data() + std::min(offset_, base_.size()), baseCount_ * length_);
        for (const auto& block : blocks_) pieces.emplace_back(block);
        return pieces;
    }

private:
    static constexpr std::size_t kFirstBlockRecords = 16;
    static constexpr std::size_t kGrowingBlocks = 10;  // 16, 32, ... 8,192 records
    static constexpr std::size_t kLastBlockRecords = kFirstBlockRecords << (kGrowingBlocks - 1);
    // Records in all the growing blocks together: 16 * (2^10 - 1).
    static constexpr std::size_t kGrowingRecords = kFirstBlockRecords * ((std::size_t{1} << kGrowingBlocks) - 1);

    static std::size_t BlockRecords(std::size_t block) {
        return block < kGrowingBlocks ? kFirstBlockRecords << block : kLastBlockRecords;
    }
    // The block of an appended record, and its place in that block. Growing
    // block k starts at record 16 * (2^k - 1).
    static std::pair<std::size_t, std::size_t> Place(std::size_t appended) {
        if (appended >= kGrowingRecords) {
            const std::size_t beyond = appended - kGrowingRecords;
            return {kGrowingBlocks + beyond / kLastBlockRecords, beyond % kLastBlockRecords};
        }
        const std::size_t block = static_cast<std::size_t>(std::bit_width(appended / kFirstBlockRecords + 1)) - 1;
        return {block, appended - kFirstBlockRecords * ((std::size_t{1} << block) - 1)};
    }
    std::string base_;
    std::size_t offset_ = 0;
    std::size_t baseCount_ = 0;
    std::size_t length_ = 0;
    std::size_t count_ = 0;
    std::vector<std::string> blocks_;
};

}  // namespace vindeleo
