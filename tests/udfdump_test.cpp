// Runs the built udfdump program on the project's samples and on archives
// written by the test zip writer, and reads its JSON back.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using Json = nlohmann::ordered_json;

using testing::CommandResult;

CommandResult udfdump(const std::vector<std::string>& arguments) {
  return testing::runCommand(UDFDUMP_PATH, arguments);
}

std::string sample(const std::string& name) {
  return std::string(MARAVEL_BINARY_DIR) + "/samples/" + name + ".udf";
}

Json dumpOf(const std::string& path) {
  CommandResult run = udfdump({path});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  return Json::parse(run.out);
}

// Files written for a test live in its own folder.
class UdfdumpTest : public ::testing::Test {
 protected:
  testing::ScratchFolder folder;
};

// --- udfverify -------------------------------------------------------------------------

CommandResult udfverify(const std::vector<std::string>& arguments) {
  return testing::runCommand(UDFVERIFY_PATH, arguments);
}

TEST_F(UdfdumpTest, UdfverifyLinesAndExitStatuses) {
  const std::string good = sample("imzali-tutanak"), changed = sample("degistirilmis-tutanak");
  const std::string junk = folder.write("junk.udf", testing::bytes("PK")).string();
  const std::string three = sample("arabuluculuk-tutanagi");
  const std::string cahit =
      "signer CAHİT YILMAZ; tc 31415926530; signed 04.12.2026 14:30:15; issuer TÜBİTAK Kamu SM; digest "
      "sha256";
  const std::string checks = "; chain untrustedRoot; certificate valid\n";
  const std::string goodLines = good + ": verified; signer CAHİT YILMAZ; signed 04.12.2026 14:30:15" +
                                checks + "  verified; " + cahit + checks;
  // clang-format off
  const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
      {{good}, 0, goodLines},
      {{good, changed}, 1, goodLines + changed + ": contentChanged; signer CAHİT YILMAZ; signed 04.12.2026 "
                                                  "14:30:15" + checks + "  contentChanged; " + cahit + checks},
      {{three}, 0, three + ": verified; signer CAHİT YILMAZ; signed 04.12.2026 14:30:15" + checks +
                   "  verified; " + cahit + checks +
                   "  verified; signer AYŞE DEMİR; tc 27182818284; signed 04.12.2026 14:45:00; issuer TÜBİTAK "
                   "Kamu SM; digest sha384" + checks +
                   "  verified; signer MEHMET ÖZTÜRK; tc 16180339887; signed 04.12.2026 15:00:00; issuer TÜBİTAK "
                   "Kamu SM; digest sha256" + checks},
      {{sample("karar"), junk, "--", "-x.udf"}, 1, sample("karar") + ": unsigned\n" + junk +
                                                    ": notADocument\n-x.udf: cannotRead\n"},
  };
  // clang-format on
  for (const auto& [arguments, status, out] : cases) {
    CommandResult run = udfverify(arguments);
    EXPECT_EQ(run.status, status) << ::testing::PrintToString(arguments);
    EXPECT_EQ(run.out, out) << ::testing::PrintToString(arguments);
  }

  CommandResult json = udfverify({"--json", good, sample("karar")});
  EXPECT_EQ(json.status, 1);
  // The signature as udfdump writes it.
  EXPECT_EQ(
      Json::parse(json.out),
      Json::array(
          {Json::object({{"file", good}, {"status", "verified"}, {"signature", dumpOf(good)["signature"]}}),
           Json::object({{"file", sample("karar")}, {"status", "unsigned"}, {"signature", nullptr}})}));
}

}  // namespace
}  // namespace maravel
