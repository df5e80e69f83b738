#include <gtest/gtest.h>

#include <algorithm>

#include "lsp/MessageReader.h"

namespace tarnel {
namespace {

// A reader over fixed bytes, handed out at most chunk bytes at a time.
MessageReader Over(const std::string& bytes, std::size_t limit = 1000, std::size_t chunk = 3) {
  auto offset = std::make_shared<std::size_t>(0);
  return MessageReader(
      [bytes, offset, chunk](char* buffer, std::size_t capacity) {
        const std::size_t take = std::min({capacity, chunk, bytes.size() - *offset});
        std::copy_n(bytes.data() + *offset, take, buffer);
        *offset += take;
        return take;
      },
      limit);
}

using Status = MessageReader::Status;

TEST(MessageReaderTest, ReadsMessagesSplitAcrossReadsAndIgnoresOtherFields) {
  MessageReader reader = Over(
      "Content-Length: 2\r\n\r\n{}"
      "content-type: application/vscode-jsonrpc; charset=utf-8\r\ncontent-length:  7 "
      "\r\n\r\n[1,2,3]"
      "Content-Length: 0\n\n");
  EXPECT_EQ(reader.Next().Body, "{}");
  MessageReader::Result second = reader.Next();
  EXPECT_EQ(second.Status, Status::Message);
  EXPECT_EQ(second.Body, "[1,2,3]");
  EXPECT_EQ(reader.Next().Status, Status::Message);  // an empty body, left to the JSON parser
  EXPECT_EQ(reader.Next().Status, Status::End);
}

TEST(MessageReaderTest, InputEndingInsideAHeaderOrABodyIsTruncated) {
  EXPECT_EQ(Over("Content-Len").Next().Status, Status::Truncated);
  EXPECT_EQ(Over("Content-Length: 5\r\n").Next().Status, Status::Truncated);
  EXPECT_EQ(Over("Content-Length: 5\r\n\r\n{}").Next().Status, Status::Truncated);
  EXPECT_EQ(Over("").Next().Status, Status::End);
}

TEST(MessageReaderTest, BadLengthsAreRefusedAndReadingGoesOn) {
  for (const char* header : {"Content-Length: -1", "Content-Length: 12abc",
                             "Content-Length:", "Content-Type: x", "no colon at all"}) {
    MessageReader reader = Over(std::string(header) + "\r\n\r\nContent-Length: 2\r\n\r\n{}");
    EXPECT_EQ(reader.Next().Status, Status::BadHeader) << header;
    MessageReader::Result next = reader.Next();
    EXPECT_EQ(next.Status, Status::Message) << header;
    EXPECT_EQ(next.Body, "{}");
  }
}

TEST(MessageReaderTest, MessagesOverTheLimitAreSkippedWithoutBeingKept) {
  const std::string big(5000, 'x');
  MessageReader reader =
      Over("Content-Length: 5000\r\n\r\n" + big + "Content-Length: 2\r\n\r\n{}", 1000, 4096);
  EXPECT_EQ(reader.Next().Status, Status::TooLarge);
  EXPECT_EQ(reader.Next().Body, "{}");
  // A length beyond any integer is too large too, not an overflow into a small one.
  EXPECT_EQ(Over("Content-Length: 99999999999999999999999999\r\n\r\n").Next().Status,
            Status::TooLarge);
  EXPECT_EQ(Over("Content-Length: 18446744073709551617\r\n\r\n").Next().Status, Status::TooLarge);
}

TEST(MessageReaderTest, AnEndlessHeaderLineIsNotKeptWhole) {
  MessageReader reader =
      Over(std::string(1 << 20, 'A') + "\r\n\r\nContent-Length: 2\r\n\r\n{}", 1000, 65536);
  EXPECT_EQ(reader.Next().Status, Status::BadHeader);
  EXPECT_EQ(reader.Next().Body, "{}");
}

TEST(MessageReaderTest, KnowsWhenAWholeMessageIsBuffered) {
  MessageReader reader =
      Over("Content-Length: 2\r\n\r\n{}Content-Length: 3\r\n\r\n[1]Content-Length: 9\r\n\r\n[",
           1000, 1000);
  reader.Next();
  EXPECT_TRUE(reader.HasBufferedMessage());
  reader.Next();
  EXPECT_FALSE(reader.HasBufferedMessage());
}

TEST(MessageReaderTest, FramesWithTheByteLength) {
  EXPECT_EQ(FrameMessage("\"\xc3\xa9\""), "Content-Length: 4\r\n\r\n\"\xc3\xa9\"");
}

}  // namespace
}  // namespace tarnel
