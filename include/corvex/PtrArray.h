// An ordered, 0-indexed, growable array of pointers that owns its records.
// Every list that crosses the engine boundary is one of these: the side that
// owns the array destroys the records (last first), the other side only
// reads them in place.
#pragma once

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

template <class T>
class PtrArray {
public:
    PtrArray() = default;
    PtrArray(const PtrArray&) = delete;
    PtrArray& operator=(const PtrArray&) = delete;
    ~PtrArray() { Clear(); }

    int GetCount() const { return static_cast<int>(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    bool IsValidIndex(int i) const { return i >= 0 && i < GetCount(); }

    // No range check: callers test IsValidIndex first where the index comes
    // from outside.
    T* operator[](int i) const { return items_[static_cast<size_t>(i)]; }
    T* At(int i) const { return items_[static_cast<size_t>(i)]; }

    T* Add(std::unique_ptr<T> item)
    {
        items_.push_back(item.get());
        return item.release();
    }

    // Destroys the record at i and closes the gap.
    void RemoveAt(int i)
    {
        std::unique_ptr<T> doomed(items_[static_cast<size_t>(i)]);
        items_.erase(items_.begin() + i);
    }

    // Takes the record at i out (the caller owns it) and closes the gap.
    std::unique_ptr<T> Detach(int i)
    {
        std::unique_ptr<T> taken(items_[static_cast<size_t>(i)]);
        items_.erase(items_.begin() + i);
        return taken;
    }

    // Puts a record in at i (0 .. GetCount()), moving the later ones up.
    T* Insert(int i, std::unique_ptr<T> item)
    {
        items_.insert(items_.begin() + i, item.get());
        return item.release();
    }

    // Puts the records from `first` on in a new order: the record at
    // first + order[k] moves to first + k. `order` must be a permutation of
    // 0 .. order.size() - 1 with first + order.size() <= GetCount().
    void Reorder(int first, const std::vector<int>& order)
    {
        std::vector<T*> moved(order.size());
        for (size_t k = 0; k < order.size(); ++k) moved[k] = items_[static_cast<size_t>(first + order[k])];
        std::copy(moved.begin(), moved.end(), items_.begin() + first);
    }

    // Gives up ownership of every record without destroying any.
    void DetachAll() { items_.clear(); }

    // Destroys every record, last first.
    void Clear()
    {
        while (!items_.empty()) {
            std::unique_ptr<T> doomed(items_.back());
            items_.pop_back();
        }
    }

    typename std::vector<T*>::const_iterator begin() const { return items_.begin(); }
    typename std::vector<T*>::const_iterator end() const { return items_.end(); }

private:
    std::vector<T*> items_;
};
