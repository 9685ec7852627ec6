#include "device/deviceframe.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Bytes(const RequestFrame& f)
{
    return {f.bytes.begin(), f.bytes.begin() + f.length};
}

// A reply frame with L-1 payload bytes (all `fill`) and a correct checksum.
DeviceFrame Reply(int l, uint8_t fill = 0x11)
{
    DeviceFrame b{};
    b[0] = 0xEB;
    b[1] = 0x91;
    b[2] = static_cast<uint8_t>(l);
    b[3] = 0x01;
    for (int i = 4; i < 3 + l && i < kDeviceFrameSize; ++i)
        b[i] = fill;
    if (3 + l < kDeviceFrameSize) b[3 + l] = FrameChecksum(std::span(b).first(3 + l));
    return b;
}

TEST(BuildRequest, ConstantFramesByteForByte)
{
    const ParameterSet any = kStartParameters;
    EXPECT_EQ(Bytes(BuildRequest(RequestKind::Poll, any)),
              (std::vector<uint8_t>{0xEB, 0x90, 0x01, 0x01, 0x7D}));
    EXPECT_EQ(Bytes(BuildRequest(RequestKind::SelfCheck, any)),
              (std::vector<uint8_t>{0xEB, 0x90, 0x02, 0x03, 0x80, 0x00}));
    EXPECT_EQ(Bytes(BuildRequest(RequestKind::SaveParameters, any)),
              (std::vector<uint8_t>{0xEB, 0x90, 0x02, 0x04, 0x80, 0x01}));
}

TEST(BuildRequest, WriteParametersFrame)
{
    const ParameterSet p{1, -5, 3, 100, 100, 100, 1, 10, 10};
    EXPECT_EQ(Bytes(BuildRequest(RequestKind::WriteParameters, p)),
              (std::vector<uint8_t>{0xEB, 0x90, 0x0A, 0x02, 0x01, 0x85, 0x03, 0x64, 0x64, 0x64, 0x01, 0x0A,
                                    0x0A, 0x51}));

    // Each value goes to its own byte, in wire order, as its low 8 bits.
    const ParameterSet q{2, 20, 45, 120, 10, 55, 0, 60, 0x101};
    const auto f = BuildRequest(RequestKind::WriteParameters, q);
    ASSERT_EQ(f.length, 14);
    EXPECT_EQ((std::vector<uint8_t>(f.bytes.begin() + 4, f.bytes.begin() + 13)),
              (std::vector<uint8_t>{2, 0x14, 45, 120, 10, 55, 0, 60, 0x01}));
    EXPECT_EQ(f.bytes[13], FrameChecksum(std::span(f.bytes).first(13)));
}

TEST(BuildRequest, KindsWithoutAFrameAreRefused)
{
    EXPECT_THROW(BuildRequest(RequestKind::None, kStartParameters), EDeviceFrameError);
    EXPECT_THROW(BuildRequest(static_cast<RequestKind>(5), kStartParameters), EDeviceFrameError);
}

TEST(CheckReply, AcceptsWellFormedReplies)
{
    EXPECT_TRUE(CheckReply(Reply(kPollReplyLength), 16, true));
    EXPECT_TRUE(CheckReply(Reply(4), 8, true));
    // The longest frame puts its checksum in the buffer's last byte.
    const DeviceFrame longest = Reply(28);
    EXPECT_TRUE(CheckReply(longest, 32, true));
    // Bytes beyond the frame do no harm.
    EXPECT_TRUE(CheckReply(Reply(kPollReplyLength), 32, true));
}

// Every length byte, the reply received whole and one byte short. A cut
// reply is never accepted, whatever the zeros left in the buffer add up to;
// and only a reply long enough to carry a poll's fields is decoded as one,
// so an acknowledgement read in a poll's place is not.
TEST(CheckReply, EveryLengthByteReceivedWholeOrCut)
{
    for (int l = 0; l < 32; ++l) {
        const DeviceFrame b = Reply(l);
        EXPECT_EQ(DecodePollReply(b).has_value(), l >= kPollReplyLength) << "L=" << l;
        for (const int64_t received : {int64_t{l} + 3, int64_t{l} + 4}) {
            const bool whole = received >= l + 4;
            EXPECT_EQ(CheckReply(b, received, true), whole && l >= 4 && l <= 28)
                << "L=" << l << ", " << received << " bytes received";
        }
    }
}

TEST(CheckReply, ReadOutcomeDecidesFirst)
{
    const DeviceFrame good = Reply(kPollReplyLength);
    EXPECT_FALSE(CheckReply(good, 16, false));
    EXPECT_FALSE(CheckReply(good, 0, true));
    EXPECT_FALSE(CheckReply(good, -1, true));
}

TEST(CheckReply, RejectsBadHeaders)
{
    DeviceFrame request = Reply(kPollReplyLength);
    request[1] = 0x90;
    request[15] = FrameChecksum(std::span(request).first(15));
    EXPECT_FALSE(CheckReply(request, 16, true));

    DeviceFrame wrongFirst = Reply(kPollReplyLength);
    wrongFirst[0] = 0xEA;
    wrongFirst[15] = FrameChecksum(std::span(wrongFirst).first(15));
    EXPECT_FALSE(CheckReply(wrongFirst, 16, true));
}

TEST(CheckReply, LengthOutsideFourToTwentyEightRejectedWhateverTheChecksum)
{
    for (int l : {0, 3, 29, 255}) {
        DeviceFrame b = Reply(l);
        // Try every checksum value where one could sit, so none can pass by luck.
        for (int cs = 0; cs < 256; ++cs) {
            if (3 + l < kDeviceFrameSize)
                b[3 + l] = static_cast<uint8_t>(cs);
            else
                b[31] = static_cast<uint8_t>(cs);
            EXPECT_FALSE(CheckReply(b, 32, true)) << "L=" << l << " cs=" << cs;
        }
    }
}

TEST(CheckReply, ChecksumMustMatchExactly)
{
    for (int delta : {-1, 1}) {
        DeviceFrame b = Reply(kPollReplyLength);
        b[15] = static_cast<uint8_t>(b[15] + delta);
        EXPECT_FALSE(CheckReply(b, 16, true));
    }
    // A changed payload byte is caught too.
    DeviceFrame b = Reply(kPollReplyLength);
    b[9] ^= 0x01;
    EXPECT_FALSE(CheckReply(b, 16, true));
}

TEST(PollReply, FieldsFromFixedOffsets)
{
    DeviceFrame b = Reply(kPollReplyLength);
    const uint8_t fields[] = {0xE8, 7, 0x94, 3, 85, 10, 100, 2, 60, 1, 200};
    for (size_t i = 0; i < sizeof fields; ++i)
        b[4 + i] = fields[i];
    ASSERT_TRUE(DecodePollReply(b));
    const PollReply r = *DecodePollReply(b);
    EXPECT_EQ(r.reading, 0xE8);
    EXPECT_EQ(r.inputCode, 7);
    EXPECT_EQ(r.micOffset, -20);
    EXPECT_EQ(r.level, 200);

    EXPECT_EQ(ParametersFromPollReply(r), (ParameterSet{7, -20, 3, 85, 10, 100, 2, 60, 1}));
}

TEST(ParameterEncoding, OffsetSignAndMagnitude)
{
    const struct {
        int32_t offset;
        uint8_t wire;
    } cases[] = {{-20, 0x94}, {-5, 0x85}, {-1, 0x81}, {0, 0x00}, {5, 0x05}, {20, 0x14}};
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeOffset(c.offset), c.wire) << c.offset;
        EXPECT_EQ(DecodeOffset(c.wire), c.offset) << c.offset;
    }
    // A "negative zero" from the device is plain zero; the widest magnitudes
    // survive in both directions.
    EXPECT_EQ(DecodeOffset(0x80), 0);
    EXPECT_EQ(DecodeOffset(0xFF), -127);
    EXPECT_EQ(DecodeOffset(0x7F), 127);
    // Out-of-range offsets never reach undefined arithmetic.
    EXPECT_EQ(EncodeOffset(INT32_MIN), 0x80);
}

TEST(ParameterEncoding, InputTypeItemsAndCodes)
{
    // The radio group lists dBA, dB, dBC; the device counts dB, dB(A), dB(C).
    EXPECT_EQ(InputCodeFromItem(0), 1);
    EXPECT_EQ(InputCodeFromItem(1), 0);
    EXPECT_EQ(InputCodeFromItem(2), 2);
    EXPECT_EQ(InputCodeFromItem(-1), 2); // no selection

    EXPECT_EQ(ItemFromInputCode(0), 1);
    EXPECT_EQ(ItemFromInputCode(1), 0);
    EXPECT_EQ(ItemFromInputCode(2), 2);
    EXPECT_EQ(ItemFromInputCode(7), 2);

    for (int item = 0; item < 3; ++item)
        EXPECT_EQ(ItemFromInputCode(InputCodeFromItem(item)), item);
}

} // namespace
