#include "compiler/bulk_memory.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace scenario {
namespace {

#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kSmallPage = 4096;
// Older headers lack it; the kernel answers EINVAL where it does not know it, and the pages
// are then faulted in on first touch as usual.
#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23;
#endif

std::size_t roundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}
#endif

}  // namespace

BulkMemory::BulkMemory(std::size_t bytes) : size_(bytes) {
    if (bytes == 0) return;
#if defined(__linux__)
    // The array starts on a huge-page boundary so that its whole huge pages can be backed as
    // such; its tail, short of a huge page, stays in small pages, so that no memory is taken
    // beyond what the array needs.
    const std::size_t length = roundUp(bytes, kSmallPage);
    mappingSize_ = length + kHugePage;
    mapping_ =
        ::mmap(nullptr, mappingSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping_ == MAP_FAILED) {
        mapping_ = nullptr;
        throw std::bad_alloc();
    }
    data_ = reinterpret_cast<std::byte*>(
        roundUp(reinterpret_cast<std::uintptr_t>(mapping_), kHugePage));
    if (const std::size_t whole = length / kHugePage * kHugePage; whole != 0) {
        ::madvise(data_, whole, MADV_HUGEPAGE);
    }
    // Failing here is harmless: the pages then come one fault at a time.
    ::madvise(data_, length, MADV_POPULATE_WRITE);
#else
    mapping_ = std::calloc(bytes, 1);
    if (mapping_ == nullptr) throw std::bad_alloc();
    data_ = static_cast<std::byte*>(mapping_);
#endif
}

BulkMemory::BulkMemory(BulkMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mappingSize_(std::exchange(other.mappingSize_, 0)) {}

BulkMemory& BulkMemory::operator=(BulkMemory&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapping_ = std::exchange(other.mapping_, nullptr);
        mappingSize_ = std::exchange(other.mappingSize_, 0);
    }
    return *this;
}

BulkMemory::~BulkMemory() {
    release();
}

void BulkMemory::release() noexcept {
    if (mapping_ == nullptr) return;
#if defined(__linux__)
    ::munmap(mapping_, mappingSize_);
#else
    std::free(mapping_);
#endif
    mapping_ = nullptr;
    data_ = nullptr;
}

}  // namespace scenario
