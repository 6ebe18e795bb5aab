#pragma once
// The records of an open table: those read from the file in one block, and
// those appended since in blocks of fixed size, so that a table of hundreds of
// thousands of records grows without copying what it already holds. Records
// are numbered from 0 in file order, deleted ones included.

#include <algorithm>
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
        number -= baseCount_;
        return blocks_[number / kBlockRecords].data() + (number % kBlockRecords) * length_;
    }
    void Append(std::string_view record) {
        if (blocks_.empty() || blocks_.back().size() >= kBlockRecords * length_) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlockRecords * length_);
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
    static constexpr std::size_t kBlockRecords = 8192;
    std::string base_;
    std::size_t offset_ = 0;
    std::size_t baseCount_ = 0;
    std::size_t length_ = 0;
    std::size_t count_ = 0;
    std::vector<std::string> blocks_;
};

}  // namespace vindeleo
