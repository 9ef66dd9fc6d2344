#pragma once
// A growing array kept in chunks of fixed size: appending never moves what is stored, costs
// the same at any size, and holds at most one chunk more than it uses.
#include <cstddef>
#include <memory>
#include <vector>

template <class T, std::size_t ChunkSize = 4096> class ChunkedArray {
public:
    std::size_t size() const { return size_; }
    void push_back(const T& value)
    {
        if (size_ % ChunkSize == 0)
            chunks_.push_back(std::make_unique<T[]>(ChunkSize));
        chunks_.back()[size_ % ChunkSize] = value;
        ++size_;
    }
    const T& operator[](std::size_t i) const { return chunks_[i / ChunkSize][i % ChunkSize]; }
    const T& back() const { return (*this)[size_ - 1]; }
    void clear()
    {
        chunks_.clear();
        chunks_.shrink_to_fit();
        size_ = 0;
    }
    std::size_t memoryBytes() const
    {
        return chunks_.capacity() * sizeof(std::unique_ptr<T[]>) + chunks_.size() * ChunkSize * sizeof(T);
    }

private:
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};
