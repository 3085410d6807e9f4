#include "tools/diagnostics/checked_output.h"

#include <cerrno>
#include <cstring>

namespace tool {

CheckedOutput::CheckedOutput(std::FILE* file) : file_(file), buffer_(64 * 1024) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

CheckedOutput::~CheckedOutput() {
    sync();
}

CheckedOutput::int_type CheckedOutput::overflow(int_type c) {
    if (!drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int CheckedOutput::sync() {
    if (!drain()) return -1;
    errno = 0;
    if (std::fflush(file_) != 0) {
        fail();
        return -1;
    }
    return 0;
}

bool CheckedOutput::drain() {
    if (!failure_.empty()) return false;
    const std::size_t pending = static_cast<std::size_t>(pptr() - pbase());
    errno = 0;
    const std::size_t written = pending == 0 ? 0 : std::fwrite(pbase(), 1, pending, file_);
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    if (written != pending) {
        fail();
        return false;
    }
    return true;
}

void CheckedOutput::fail() {
    failure_ = errno != 0 ? std::strerror(errno) : "the write fell short";
    // Nothing more is taken: the stream turns bad at its next write.
    setp(nullptr, nullptr);
}

int withOutputChecked(std::ostream& out, std::ostream& err, int status, int failedStatus) {
    out.flush();
    if (out) return status;
    const auto* checked = dynamic_cast<const CheckedOutput*>(out.rdbuf());
    err << "scenario-tool: cannot write to standard output";
    if (checked && !checked->failure().empty()) err << ": " << checked->failure();
    err << '\n';
    return status <= 1 ? failedStatus : status;
}

}  // namespace tool
