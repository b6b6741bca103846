#include "tools/zkhost/ClapStreams.h"

#include <algorithm>
#include <cstring>

namespace zkhost {

ClapReadStream::ClapReadStream(const std::vector<uint8_t>& bytes, uint64_t bytesPerCall)
    : bytes_(bytes), bytesPerCall_(bytesPerCall), stream_{this, &ClapReadStream::read} {}

int64_t ClapReadStream::read(const clap::clap_istream* stream, void* buffer, uint64_t size) {
    auto* self = static_cast<ClapReadStream*>(stream->ctx);
    ++self->calls;
    if (!buffer && size > 0) return -1;
    uint64_t n = std::min<uint64_t>(size, self->bytes_.size() - self->position_);
    if (self->bytesPerCall_ > 0) n = std::min(n, self->bytesPerCall_);
    if (n > 0) std::memcpy(buffer, self->bytes_.data() + self->position_, n);
    self->position_ += n;
    return static_cast<int64_t>(n);
}

ClapWriteStream::ClapWriteStream(uint64_t bytesPerCall, uint64_t maxSize)
    : bytesPerCall_(bytesPerCall), maxSize_(maxSize), stream_{this, &ClapWriteStream::write} {}

int64_t ClapWriteStream::write(const clap::clap_ostream* stream, const void* buffer, uint64_t size) {
    auto* self = static_cast<ClapWriteStream*>(stream->ctx);
    ++self->calls;
    if (!buffer && size > 0) return -1;
    uint64_t n = size;
    if (self->bytesPerCall_ > 0) n = std::min(n, self->bytesPerCall_);
    if (self->bytes.size() + n > self->maxSize_) return -1;
    const auto* from = static_cast<const uint8_t*>(buffer);
    self->bytes.insert(self->bytes.end(), from, from + n);
    return static_cast<int64_t>(n);
}

} // namespace zkhost
