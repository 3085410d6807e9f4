// Collects small pieces into one buffer so that a producer writing field by field does not cost
// one system call per field; pieces of a buffer's size or more go straight through. Shared by
// every platform's file layer.
#pragma once

#include <cstddef>
#include <vector>

namespace platform {

template <class File>
class BufferedWriter {
  public:
    explicit BufferedWriter(File& file) : file_(file) { buffer_.reserve(kCapacity); }
    void put(const char* data, std::size_t size) {
        if (buffer_.size() + size > kCapacity) flush();
        if (size >= kCapacity) {
            file_.write(data, size);
        } else {
            buffer_.insert(buffer_.end(), data, data + size);
        }
    }
    void flush() {
        file_.write(buffer_.data(), buffer_.size());
        buffer_.clear();
    }

  private:
    static constexpr std::size_t kCapacity = 64 * 1024;
    File& file_;
    std::vector<char> buffer_;
};

}  // namespace platform
