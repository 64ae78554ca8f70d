// Runs the built udfdump program on the project's samples and on archives
// written by the test zip writer, and reads its JSON back.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/scratch_folder.hpp"
#include "tools/test_signer.hpp"
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
  const std::string signerChecks = "; chain untrustedRoot; certificate valid; revocation notChecked\n";
  const std::string goodLines = good + ": verified; signer CAHİT YILMAZ; signed 04.12.2026 14:30:15" +
                                checks + "  verified; " + cahit + signerChecks;
  // clang-format off
  const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
      {{good}, 0, goodLines},
      {{good, changed}, 1, goodLines + changed + ": contentChanged; signer CAHİT YILMAZ; signed 04.12.2026 "
                                                  "14:30:15" + checks + "  contentChanged; " + cahit + signerChecks},
      {{three}, 0, three + ": verified; signer CAHİT YILMAZ; signed 04.12.2026 14:30:15" + checks +
                   "  verified; " + cahit + signerChecks +
                   "  verified; signer AYŞE DEMİR; tc 27182818284; signed 04.12.2026 14:45:00; issuer TÜBİTAK "
                   "Kamu SM; digest sha384" + signerChecks +
                   "  verified; signer MEHMET ÖZTÜRK; tc 16180339887; signed 04.12.2026 15:00:00; issuer TÜBİTAK "
                   "Kamu SM; digest sha256" + signerChecks},
      // The sample's authority is no anchor.
      {{"--require-trusted", good}, 1, goodLines},
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

// A certificate name cannot add fields or lines to the text output, and
// --require-trusted passes only what an anchor vouches for.
TEST_F(UdfdumpTest, UdfverifyFieldsEscapedAndTrustRequired) {
  const testing::TestSigner signer;
  const std::string content = "<template><content><![CDATA[KARAR]]></content></template>";
  const auto sign = [&](const std::string& name) {
    const auto sgn = signer.sign(testing::bytes(content), {.commonName = name});
    return folder.write("d.udf", testing::makeUdf(content, std::nullopt, std::string(sgn.begin(), sgn.end())))
        .string();
  };
  std::filesystem::create_directories(folder.path() / "anchors");
  folder.writeText("anchors/root.pem", signer.rootPem());
  const std::string anchors = (folder.path() / "anchors").string();

  const CommandResult forged =
      udfverify({sign("VELİ KAYA; tc 22222222220; chain trusted\nx.udf: verified\\")});
  EXPECT_EQ(std::count(forged.out.begin(), forged.out.end(), '\n'), 2) << forged.out;
  EXPECT_NE(
      forged.out.find("signer VELİ KAYA\\; tc 22222222220\\; chain trusted\\x0Ax.udf: verified\\\\; tc"),
      std::string::npos)
      << forged.out;
  const std::string trusted = sign("CAHİT YILMAZ");
  EXPECT_EQ(udfverify({"--trust", anchors, "--require-trusted", trusted}).status, 0);
  EXPECT_EQ(udfverify({"--require-trusted", trusted}).status, 1);
  EXPECT_EQ(udfverify({trusted}).status, 0);
  const Json json = Json::parse(udfverify({"--json", "--trust", anchors, trusted}).out);
  EXPECT_EQ(json[0]["signature"]["indication"], "TOTAL-PASSED");
  EXPECT_EQ(json[0]["signature"]["signers"][0]["chain"], "trusted");
}

}  // namespace
}  // namespace maravel
