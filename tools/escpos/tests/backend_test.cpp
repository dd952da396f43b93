// The escpos-virtual backend run the way cupsd runs it, without cupsd:
// device discovery, recording jobs, and the failures cupsd must see.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/run_program.h"
#include "tests/ticket.h"
#include "tools/escpos/virtual_backend.h"

namespace {

TEST(DeviceUri, NamesAnAbsoluteFolder) {
  struct {
    const char *uri;
    std::optional<std::string> folder;
  } const cases[] = {
      {"escpos-virtual:/var/spool/receipts", "/var/spool/receipts"},
      {"escpos-virtual:///var/spool/receipts", "/var/spool/receipts"},
      {"escpos-virtual:/tmp/with%20space", "/tmp/with space"},
      {"escpos-virtual:/", "/"},
      {"escpos-virtual:relative/dir", std::nullopt},
      {"escpos-virtual:", std::nullopt},
      {"escpos-virtual://host/dir", std::nullopt},
      {"escpos-virtual://", std::nullopt},
      {"escpos-virtual:/bad%2", std::nullopt},
      {"escpos-virtual:/bad%zz", std::nullopt},
      {"escpos-virtual:/nul%00byte", std::nullopt},
      {"file:///dev/null", std::nullopt},
      {"escpos:/dir", std::nullopt},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(escpos::FolderFromDeviceUri(c.uri), c.folder) << c.uri;
  }
}

TEST(JobHeader, QuotesTheTitleAndCountsBytes) {
  EXPECT_EQ(escpos::JobHeader("3", "EPOS", 89), "=== job 3 \"EPOS\" 89 bytes");
  EXPECT_EQ(escpos::JobHeader("12", "a \"b\" \\c\n", 1),
            "=== job 12 \"a \\\"b\\\" \\\\c\\x0A\" 1 byte");
  EXPECT_EQ(escpos::JobHeader("4", "Caf\xc3\xa9", 0), "=== job 4 \"Caf\xc3\xa9\" 0 bytes");
}

class Backend : public testing::Test {
 protected:
  void SetUp() override {
    ticket_path_ = dir_.path() + "/ticket.bin";
    std::ofstream(ticket_path_, std::ios::binary).write(kTicket, sizeof kTicket - 1);
  }

  escpos_test::Result RunJob(const std::string &job_id, const std::string &title,
                             bool file_argument) {
    std::vector<std::string> args = {ESCPOS_VIRTUAL_PATH, job_id, "lp", title, "1", ""};
    if (file_argument) args.push_back(ticket_path_);
    return escpos_test::Run(args, file_argument ? "" : ticket_path_,
                            {"DEVICE_URI=escpos-virtual:" + dir_.path()});
  }

  escpos_test::TempDir dir_;
  std::string ticket_path_;
};

TEST_F(Backend, ReportsItsDeviceWithNoArguments) {
  const escpos_test::Result result = escpos_test::Run({ESCPOS_VIRTUAL_PATH});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "direct escpos-virtual \"Unknown\" \"Virtual ESC/POS receipt printer\"\n");
}

TEST_F(Backend, RecordsAJobFromStandardInput) {
  const escpos_test::Result result = RunJob("3", "EPOS", false);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(escpos_test::ReadFile(dir_.path() + "/transcript.log"),
            std::string("=== job 3 \"EPOS\" 89 bytes\n") + kTicketTranscript);
  EXPECT_EQ(escpos_test::ReadFile(dir_.path() + "/job-3.bin"),
            std::string(kTicket, sizeof kTicket - 1));
}

TEST_F(Backend, AppendsJobsGivenAsFiles) {
  ASSERT_EQ(RunJob("1", "EPOS", true).status, 0);
  ASSERT_EQ(RunJob("2", "second", true).status, 0);
  EXPECT_EQ(escpos_test::ReadFile(dir_.path() + "/transcript.log"),
            std::string("=== job 1 \"EPOS\" 89 bytes\n") + kTicketTranscript +
                "=== job 2 \"second\" 89 bytes\n" + kTicketTranscript);
  EXPECT_EQ(escpos_test::ReadFile(dir_.path() + "/job-2.bin"),
            std::string(kTicket, sizeof kTicket - 1));
  // The picture is redrawn from the whole log after each job.
  const std::string page = escpos_test::ReadFile(dir_.path() + "/receipts.html");
  EXPECT_NE(page.find("<title>Virtual receipt printer: 2 receipts</title>"), std::string::npos)
      << page;
  EXPECT_NE(page.find("<h2>job 2 &quot;second&quot; 89 bytes</h2>"), std::string::npos);
}

TEST_F(Backend, FailsWhenTheFolderCannotBeWritten) {
  const escpos_test::Result result =
      escpos_test::Run({ESCPOS_VIRTUAL_PATH, "5", "lp", "EPOS", "1", "", ticket_path_}, "",
                       {"DEVICE_URI=escpos-virtual:" + dir_.path() + "/missing"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err.rfind("ERROR: cannot create " + dir_.path() + "/missing/job-5.bin", 0), 0u)
      << result.err;
}

TEST_F(Backend, RefusesABadDeviceUriOrJobId) {
  const escpos_test::Result bad_uri =
      escpos_test::Run({ESCPOS_VIRTUAL_PATH, "5", "lp", "EPOS", "1", "", ticket_path_}, "",
                       {"DEVICE_URI=escpos-virtual:relative"});
  EXPECT_EQ(bad_uri.status, 1);
  EXPECT_NE(bad_uri.err.find("ERROR: device URI must be"), std::string::npos) << bad_uri.err;

  const escpos_test::Result bad_id = RunJob("../x", "EPOS", true);
  EXPECT_EQ(bad_id.status, 1);
  EXPECT_NE(bad_id.err.find("ERROR: job id must be a number"), std::string::npos) << bad_id.err;
  EXPECT_EQ(escpos_test::ReadFile(dir_.path() + "/transcript.log"), "");
}

TEST_F(Backend, FailsOnAMissingJobFile) {
  const escpos_test::Result result =
      escpos_test::Run({ESCPOS_VIRTUAL_PATH, "6", "lp", "EPOS", "1", "", dir_.path() + "/none"}, "",
                       {"DEVICE_URI=escpos-virtual:" + dir_.path()});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("ERROR: cannot read the job from"), std::string::npos) << result.err;
}

TEST_F(Backend, RejectsAWrongArgumentCount) {
  const escpos_test::Result result = escpos_test::Run({ESCPOS_VIRTUAL_PATH, "1", "lp"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("Usage: escpos-virtual job-id user title copies options [file]"),
            std::string::npos);
}

}  // namespace
