#include "trend/TrendSampleArray.h"

namespace trend {

size_t TrendSampleArray::DropBefore(float time) {
    size_t dropped = 0;
    while (head_ < data_.size() && data_[head_].x < time) {
        ++head_;
        ++dropped;
    }
    if (head_ == data_.size()) {
        data_.clear();
        head_ = 0;
    } else if (head_ >= 4096 && head_ * 2 >= data_.size()) {
        data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    return dropped;
}

void TrendSampleArray::ShiftTimes(float delta) {
    for (size_t i = head_; i < data_.size(); ++i) data_[i].x += delta;
}

void TrendSampleArray::clear() {
    data_.clear();
    head_ = 0;
}

void TrendSampleArray::Assign(std::vector<TrendSample>&& samples) {
    data_ = std::move(samples);
    head_ = 0;
}

}  // namespace trend
