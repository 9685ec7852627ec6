// What travels on the TCP connection between the interface library and the
// simulator. Portable; both sides use it.
//
// Every message is a 2-byte little-endian length n, then n bytes: a type byte
// and the body. The library speaks first: Hello (process id, exclusive flag);
// the simulator answers Welcome, or Refuse with a reason and closes. After
// that the library sends Open, Close, Exclusive and Frame messages, the
// simulator sends Frame messages (the device's replies). Open and Exclusive
// are answered with Granted or Denied, in order: whether a process may use
// the device depends on what the others hold at that moment, not only when it
// connected. An Open that is denied is followed by the end of the connection,
// so that the library tries again and reports the device when it is free.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr uint16_t kDefaultSimPort = 37500;
inline constexpr uint16_t kDefaultControlPort = 37501;
inline constexpr const char* kSimPortVariable = "ORVANE_SIM_PORT";

enum class LinkType : uint8_t {
    Hello = 'H',     // u32 process id, u8 exclusive
    Welcome = 'W',   // empty
    Refuse = 'R',    // reason text
    Open = 'O',      // empty: the process opened the device
    Close = 'C',     // empty: the process closed it
    Exclusive = 'X', // u8: 1 while the process wants the device for itself
    Frame = 'F',     // the frame's bytes, either direction
    Granted = 'G',   // empty: the Open or Exclusive just sent holds
    Denied = 'D',    // reason text: it does not
};

// Larger messages mean the peer is not one of ours; the connection is dropped.
inline constexpr size_t kMaxLinkMessage = 256;

struct LinkMessage {
    LinkType type;
    std::vector<uint8_t> body;
};

std::vector<uint8_t> EncodeLink(LinkType type, std::span<const uint8_t> body = {});
std::vector<uint8_t> EncodeHello(uint32_t processId, bool exclusive);
bool DecodeHello(const LinkMessage& m, uint32_t& processId, bool& exclusive);

// Collects bytes as they arrive, in pieces of any size, and hands out whole
// messages. Once a length is impossible the stream is out of step for good.
class TLinkReader {
public:
    void Feed(std::span<const uint8_t> bytes);
    std::optional<LinkMessage> Next();
    bool Broken() const { return broken_; }
    // Bytes held for messages not yet whole; stays small whatever the peer does.
    size_t Capacity() const { return pending_.capacity(); }

private:
    std::vector<uint8_t> pending_;
    size_t start_ = 0;
    bool broken_ = false;
};
// The library's client code still spells it the old way until it moves into
// this folder.
using LinkReader = TLinkReader;

// "EB 90 01 01 7D": how frames appear in logs.
std::string HexBytes(std::span<const uint8_t> bytes);

// A port number from text (1..65535), or nothing.
std::optional<uint16_t> ParsePort(const std::string& text);
