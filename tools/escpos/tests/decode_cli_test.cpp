// escpos-decode as a user runs it: on a file, on standard input, and with
// the mistakes a user makes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/run_program.h"
#include "tests/ticket.h"

namespace {

class DecodeCommand : public testing::Test {
 protected:
  void SetUp() override {
    ticket_path_ = dir_.path() + "/ticket.bin";
    std::ofstream(ticket_path_, std::ios::binary).write(kTicket, sizeof kTicket - 1);
    ASSERT_EQ(sizeof kTicket - 1, 89u);
  }

  escpos_test::TempDir dir_;
  std::string ticket_path_;
};

TEST_F(DecodeCommand, DecodesAFile) {
  const escpos_test::Result result = escpos_test::Run({ESCPOS_DECODE_PATH, ticket_path_});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, kTicketTranscript);
  EXPECT_EQ(result.err, "");
}

TEST_F(DecodeCommand, DecodesStandardInput) {
  const escpos_test::Result result = escpos_test::Run({ESCPOS_DECODE_PATH}, ticket_path_);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, kTicketTranscript);
}

TEST_F(DecodeCommand, EmptyInputGivesEmptyTranscript) {
  const escpos_test::Result result = escpos_test::Run({ESCPOS_DECODE_PATH}, "/dev/null");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
}

TEST_F(DecodeCommand, MissingFileFailsWithItsName) {
  const std::string missing = dir_.path() + "/missing.bin";
  const escpos_test::Result result = escpos_test::Run({ESCPOS_DECODE_PATH, missing});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("cannot read " + missing), std::string::npos) << result.err;
}

TEST_F(DecodeCommand, ExtraArgumentsShowUsage) {
  const escpos_test::Result result =
      escpos_test::Run({ESCPOS_DECODE_PATH, ticket_path_, ticket_path_});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("usage: escpos-decode [FILE]"), std::string::npos) << result.err;
}

}  // namespace
