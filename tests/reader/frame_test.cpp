#include "reader/frame.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/catalogue_language.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Reply(uint8_t seq, uint8_t command, uint8_t status, Bytes data = {}) {
    Bytes body{status};
    body.insert(body.end(), data.begin(), data.end());
    Bytes frame;
    BuildFrame(frame, seq, command, body.data(), body.size());
    return frame;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(FrameTest, LinkStartFrameCarriesTheAdditiveChecksum) {
    const uint8_t payload[] = {0x01, 0x80};
    Bytes frame;
    BuildFrame(frame, 1, 0x2F, payload, sizeof payload);
    EXPECT_EQ(frame, (Bytes{0x02, 0x01, 0x08, 0x2F, 0x01, 0x80, 0xBB, 0x00}));
}

TEST(FrameTest, ChecksumWrapsAtSixteenBitsAndIsLittleEndian) {
    const Bytes payload(249, 0xFF);
    Bytes frame;
    BuildFrame(frame, 0xFF, 0xFF, payload.data(), payload.size());
    ASSERT_EQ(frame.size(), 255u);
    const uint32_t sum = 0x02 + 0xFF + 0xFF + 0xFF + 249 * 0xFF;
    EXPECT_EQ(frame[253], sum & 0xFF);
    EXPECT_EQ(frame[254], (sum >> 8) & 0xFF);
    const Bytes tooLong(250, 0);
    EXPECT_THROW(BuildFrame(frame, 1, 0x20, tooLong.data(), tooLong.size()), std::length_error);
}

TEST(FrameTest, ParseReplyAcceptsExactlyOneValidFrame) {
    const Bytes good = Reply(5, 0x51, 0x55, {1, 2, 3});
    Bytes badSum = good;
    ++badSum[badSum.size() - 1];
    Bytes resetBadSum = Reply(5, 0x23, 0x55);
    ++resetBadSum[resetBadSum.size() - 2];
    Bytes longLength = good;
    longLength[2] = static_cast<uint8_t>(good.size() + 1);
    Bytes shortLength = Concat({good, {0x00}});
    Bytes wrongStart = good;
    wrongStart[0] = 0x03;
    struct Case {
        const char* name;
        Bytes buffer;
        bool accepted;
    } cases[] = {
        {"valid", good, true},
        {"bad checksum", badSum, false},
        {"reset reply skips the checksum", resetBadSum, true},
        {"trailing byte after the frame", shortLength, false},
        {"length byte beyond the buffer", longLength, false},
        {"wrong start byte", wrongStart, false},
        {"six bytes", Bytes{0x02, 5, 6, 0x23, 0x55, 0x00}, false},
        {"length byte 0", Bytes{0x02, 5, 0, 0x23, 0x55, 0, 0}, false},
        {"empty", Bytes{}, false},
    };
    for (const Case& c : cases) {
        uint8_t seq = 0;
        int status = 0;
        Bytes data;
        EXPECT_EQ(ParseReply(c.buffer.data(), c.buffer.size(), seq, status, data), c.accepted) << c.name;
    }
    uint8_t seq = 0;
    int status = 0;
    Bytes data;
    ASSERT_TRUE(ParseReply(good.data(), good.size(), seq, status, data));
    EXPECT_EQ(seq, 5);
    EXPECT_EQ(status, 0x55);
    EXPECT_EQ(data, (Bytes{1, 2, 3}));
}

TEST(FrameTest, ScanFindsTheWantedFrameAndDropsWhatPrecedesIt) {
    const Bytes wanted = Reply(7, 0x51, 0x55, {9, 9});
    const Bytes foreign = Reply(6, 0x51, 0x55);
    struct Case {
        const char* name;
        Bytes input;
        bool found;
        Bytes left;
    } cases[] = {
        {"frame alone", wanted, true, wanted},
        {"garbage first", Concat({{0xFF, 0x00, 0x13}, wanted}), true, wanted},
        {"foreign frame first", Concat({foreign, wanted}), true, wanted},
        {"no start byte stays", Bytes{0xFF, 0x13, 0x37}, false, Bytes{0xFF, 0x13, 0x37}},
        {"incomplete frame stays", Bytes(wanted.begin(), wanted.end() - 1), false,
         Bytes(wanted.begin(), wanted.end() - 1)},
        {"length 0 foreign frame", Concat({{0x02, 6, 0, 0x10, 0x11, 0x12}, wanted}), true, wanted},
        {"length 3 foreign frame", Concat({{0x02, 6, 3, 0x10, 0x11, 0x12}, wanted}), true, wanted},
        {"length below 6 with the wanted number", Bytes{0x02, 7, 3, 0x10, 0x11, 0x12}, true,
         Bytes{0x02, 7, 3, 0x10, 0x11, 0x12}},
        {"frame followed by more", Concat({wanted, {0x02}}), true, Concat({wanted, {0x02}})},
    };
    for (Case& c : cases) {
        Bytes input = c.input;
        EXPECT_EQ(ScanForFrame(input, 7), c.found) << c.name;
        EXPECT_EQ(input, c.left) << c.name;
    }
}

TEST(FrameTest, FrameSplitAtEveryPlaceIsFoundOnlyWhenComplete) {
    const Bytes wanted = Concat({{0x55, 0xAA}, Reply(7, 0x51, 0x55, {1, 2, 3, 4})});
    for (size_t cut = 0; cut <= wanted.size(); ++cut) {
        Bytes input(wanted.begin(), wanted.begin() + static_cast<std::ptrdiff_t>(cut));
        const bool early = ScanForFrame(input, 7);
        EXPECT_EQ(early, cut == wanted.size()) << "cut at " << cut;
        // A read for the bytes still missing never waits beyond the reply's end, and once its
        // length byte is in, it waits for exactly the rest.
        const size_t rest = wanted.size() - cut;
        if (!early) {
            EXPECT_LE(FrameBytesMissing(input), rest) << "cut at " << cut;
            if (cut >= 5) {
                EXPECT_EQ(FrameBytesMissing(input), rest) << "cut at " << cut;
            }
        }
        input.insert(input.end(), wanted.begin() + static_cast<std::ptrdiff_t>(cut), wanted.end());
        EXPECT_TRUE(ScanForFrame(input, 7)) << "cut at " << cut;
        EXPECT_EQ(input.size(), wanted.size() - 2) << "cut at " << cut;
    }
}

TEST(FrameTest, ScanOfAnyStartByteFloodEnds) {
    // Every byte a start byte, every length byte 0x02: each foreign frame is dropped whole.
    Bytes flood(100000, 0x02);
    EXPECT_FALSE(ScanForFrame(flood, 7));
    EXPECT_LT(flood.size(), 6u);
    Bytes zeros(100000, 0x00);
    zeros[0] = 0x02;
    zeros[1] = 9;  // foreign, length byte 0
    EXPECT_FALSE(ScanForFrame(zeros, 7));
    EXPECT_EQ(zeros.size(), 99999u);  // no start byte left: the rest waits for the time-out
}

}  // namespace
