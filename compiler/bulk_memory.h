// Zeroed memory for the few arrays of a compilation that run to megabytes (the track plan).
// Such an array is written once from end to end right after it is made, so on Linux it is
// mapped in 2 MiB pages where the system allows and faulted in with one call, rather than one
// page fault every 4 KiB: on a virtual machine each fault costs more than the bytes it brings.
#pragma once

#include <cstddef>

namespace scenario {

class BulkMemory {
  public:
    BulkMemory() = default;
    // `bytes` of zeroed memory; throws std::bad_alloc when there is none.
    explicit BulkMemory(std::size_t bytes);
    BulkMemory(BulkMemory&& other) noexcept;
    BulkMemory& operator=(BulkMemory&& other) noexcept;
    BulkMemory(const BulkMemory&) = delete;
    BulkMemory& operator=(const BulkMemory&) = delete;
    ~BulkMemory();

    std::byte* data() const { return data_; }
    std::size_t size() const { return size_; }

  private:
    void release() noexcept;
    std::byte* data_ = nullptr;
    std::size_t size_ = 0;
    void* mapping_ = nullptr;  // what the system handed out; data_ lies inside it
    std::size_t mappingSize_ = 0;
};

}  // namespace scenario
