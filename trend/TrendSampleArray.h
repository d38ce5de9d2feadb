#pragma once
// The samples of one trend channel, oldest first. Appending is amortised O(1) and so is
// dropping samples from the front: dropped samples are only counted until they make up half
// the storage, then removed in one move.
#include <cstddef>
#include <span>
#include <vector>

#include "graphs/CFloatPT.h"

namespace trend {

// One sample: x the time in seconds on the recording clock, y the scaled value, flag 1 on
// the first sample after each start (no line is drawn to it).
using TrendSample = graphs::CFloatPT;

class TrendSampleArray {
public:
    size_t size() const { return data_.size() - head_; }
    bool empty() const { return size() == 0; }
    const TrendSample& operator[](size_t i) const { return data_[head_ + i]; }
    const TrendSample& front() const { return data_[head_]; }
    const TrendSample& back() const { return data_.back(); }
    // The samples in one piece.
    std::span<const TrendSample> Samples() const { return {data_.data() + head_, size()}; }

    // May throw std::bad_alloc; the array is then unchanged.
    void push_back(const TrendSample& sample) { data_.push_back(sample); }
    // Drops samples from the front while their time is below `time`; returns how many.
    size_t DropBefore(float time);
    // Adds `delta` to the time of every sample.
    void ShiftTimes(float delta);
    void clear();
    void Assign(std::vector<TrendSample>&& samples);
    void Reserve(size_t count) { data_.reserve(head_ + count); }

private:
    std::vector<TrendSample> data_;
    size_t head_ = 0;  // samples before it are dropped
};

}  // namespace trend
