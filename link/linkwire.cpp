#include "link/linkwire.h"

#include "runtime/sysutils.h"

namespace {
// Room for a few whole messages; what a reader keeps between reads.
constexpr size_t kKeepCapacity = 4 * (2 + kMaxLinkMessage);
} // namespace

std::vector<uint8_t> EncodeLink(LinkType type, std::span<const uint8_t> body)
{
    const size_t n = 1 + body.size();
    std::vector<uint8_t> out;
    out.reserve(2 + n);
    out.push_back(static_cast<uint8_t>(n));
    out.push_back(static_cast<uint8_t>(n >> 8));
    out.push_back(static_cast<uint8_t>(type));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> EncodeHello(uint32_t processId, bool exclusive)
{
    const uint8_t body[] = {static_cast<uint8_t>(processId), static_cast<uint8_t>(processId >> 8),
                            static_cast<uint8_t>(processId >> 16), static_cast<uint8_t>(processId >> 24),
                            static_cast<uint8_t>(exclusive ? 1 : 0)};
    return EncodeLink(LinkType::Hello, body);
}

bool DecodeHello(const LinkMessage& m, uint32_t& processId, bool& exclusive)
{
    if (m.type != LinkType::Hello || m.body.size() < 5) return false;
    processId = m.body[0] | (m.body[1] << 8) | (m.body[2] << 16) | (static_cast<uint32_t>(m.body[3]) << 24);
    exclusive = m.body[4] != 0;
    return true;
}

void TLinkReader::Feed(std::span<const uint8_t> bytes)
{
    if (broken_) return;
    // What Next has handed out goes before anything new is kept: a peer that
    // always leaves part of a message pending must not grow the buffer.
    if (start_ > 0) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    // After one large piece, give the memory back once it is consumed.
    if (pending_.capacity() > kKeepCapacity && pending_.size() + bytes.size() <= kKeepCapacity) {
        std::vector<uint8_t> smaller;
        smaller.reserve(kKeepCapacity);
        smaller.assign(pending_.begin(), pending_.end());
        pending_.swap(smaller);
    }
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

std::optional<LinkMessage> TLinkReader::Next()
{
    if (broken_ || pending_.size() - start_ < 2) return std::nullopt;
    const size_t n = pending_[start_] | (pending_[start_ + 1] << 8);
    if (n == 0 || n > kMaxLinkMessage) {
        broken_ = true;
        return std::nullopt;
    }
    if (pending_.size() - start_ < 2 + n) return std::nullopt;
    const auto first = pending_.begin() + static_cast<std::ptrdiff_t>(start_);
    LinkMessage m{static_cast<LinkType>(first[2]), std::vector<uint8_t>(first + 3, first + 2 + n)};
    start_ += 2 + n;
    if (start_ == pending_.size()) {
        pending_.clear();
        start_ = 0;
    }
    return m;
}

std::string HexBytes(std::span<const uint8_t> bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        if (!s.empty()) s += ' ';
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

std::optional<uint16_t> ParsePort(const std::string& text)
{
    int32_t v = 0;
    if (!TryStrToInt(Trim(text), v) || v < 1 || v > 65535) return std::nullopt;
    return static_cast<uint16_t>(v);
}
