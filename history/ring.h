// A fixed-capacity ring: storage is taken once, at construction, so the
// history's memory is the same after a minute and after a month. When full,
// a new element replaces the oldest. Indexing counts from the oldest.
// Portable.
#pragma once

#include <cstddef>
#include <memory>

template <class T> class TRing {
public:
    explicit TRing(size_t capacity) : items_(std::make_unique<T[]>(capacity)), capacity_(capacity) {}

    size_t Capacity() const { return capacity_; }
    size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }

    void PushBack(const T& item)
    {
        if (capacity_ == 0) return;
        if (size_ == capacity_) {
            items_[first_] = item;
            first_ = Wrap(first_ + 1);
        } else {
            items_[Wrap(first_ + size_)] = item;
            ++size_;
        }
    }
    void PopFront(size_t count = 1)
    {
        if (count > size_) count = size_;
        first_ = Wrap(first_ + count);
        size_ -= count;
    }
    void Clear()
    {
        first_ = 0;
        size_ = 0;
    }

    T& operator[](size_t index) { return items_[Wrap(first_ + index)]; }
    const T& operator[](size_t index) const { return items_[Wrap(first_ + index)]; }
    T& Front() { return (*this)[0]; }
    const T& Front() const { return (*this)[0]; }
    T& Back() { return (*this)[size_ - 1]; }
    const T& Back() const { return (*this)[size_ - 1]; }

    // The first index whose element is not before key (as `before` says), in
    // a ring kept sorted by it.
    template <class Key, class Before> size_t LowerBound(const Key& key, Before before) const
    {
        size_t low = 0, high = size_;
        while (low < high) {
            const size_t mid = low + (high - low) / 2;
            if (before((*this)[mid], key))
                low = mid + 1;
            else
                high = mid;
        }
        return low;
    }

private:
    size_t Wrap(size_t index) const { return index >= capacity_ ? index - capacity_ : index; }

    std::unique_ptr<T[]> items_;
    size_t capacity_;
    size_t first_ = 0;
    size_t size_ = 0;
};
