// Runs the built udfdump program on the project's samples and on archives
// written by the test zip writer, and reads its JSON back.

#include <gtest/gtest.h>

#include <algorithm>
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

// The list markers of every paragraph, tables walked depth first.
std::vector<std::string> markersOf(const Json& elements) {
  std::vector<std::string> markers;
  for (const auto& element : elements) {
    if (element.contains("paragraph") && !element["paragraph"]["listMarker"].is_null())
      markers.push_back(element["paragraph"]["listMarker"]);
    if (!element.contains("table")) continue;
    for (const auto& row : element["table"]["rows"]) {
      for (const auto& cell : row["cells"]) {
        const std::vector<std::string> inCell = markersOf(cell["elements"]);
        markers.insert(markers.end(), inCell.begin(), inCell.end());
      }
    }
  }
  return markers;
}

// Files written for a test live in its own folder.
class UdfdumpTest : public ::testing::Test {
 protected:
  testing::ScratchFolder folder;
};

// --- Command line ------------------------------------------------------------------

TEST_F(UdfdumpTest, ExitStatusesAndStreams) {
  EXPECT_NE(udfdump({"--help"}).out.find("usage: udfdump FILE"), std::string::npos);
  EXPECT_EQ(udfdump({"--version"}).out.rfind("udfdump ", 0), 0u);
  const std::string junk = folder.write("junk.udf", testing::bytes("not a zip archive")).string();
  // clang-format off
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"--help"}, 0}, {{"--version"}, 0}, {{}, 2}, {{"a", "b"}, 2}, {{"--bogus"}, 2},
      {{(folder.path() / "x.udf").string()}, 2}, {{junk}, 1}
  };
  // clang-format on
  for (const auto& [arguments, status] : cases) {
    CommandResult run = udfdump(arguments);
    EXPECT_EQ(run.status, status) << ::testing::PrintToString(arguments);
    if (status == 0) continue;
    EXPECT_EQ(run.out, "") << ::testing::PrintToString(arguments);
    EXPECT_NE(run.err, "") << ::testing::PrintToString(arguments);
  }
  EXPECT_NE(udfdump({"--bogus"}).err.find("usage"), std::string::npos);
}

// --- The samples -----------------------------------------------------------------------

// The markers of the samples' lists pin the numbering of real files; the
// rest of what the samples hold is read by the reader's own suites.
TEST_F(UdfdumpTest, Samples) {
  const Json karar = dumpOf(sample("karar"));
  EXPECT_EQ(
      Json({karar["headerStartPage"], karar["headerColor"], karar["footerColor"], karar["verificationCode"],
            karar["webID"]}),
      Json::parse(R"([2, 2046052, 8355711, "Kr7Wq+2M", "KRGA12B  -  CDE34FG  -  HIJ+56K  -  LMN78O="])"));
  // An unsigned document has no check outcome.
  EXPECT_TRUE(karar["signature"]["status"].is_null() && karar["signature"]["chain"].is_null());
  EXPECT_EQ(markersOf(karar["elements"]), (std::vector<std::string>{"1-", "2-", "3-", "4-"}));
  const Json dilekce = dumpOf(sample("dilekce"));
  EXPECT_EQ(markersOf(dilekce["elements"]),
            (std::vector<std::string>{"1.", "2.", "a.", "b.", "i.", "3.", "●", "●", "▪", "▪", "➤"}));
  EXPECT_EQ(dilekce["headerElements"][0]["paragraph"]["runs"][0]["image"]["mimeType"], "image/png");
}

// Both carry a signature made at build time over imzali-tutanak's
// content.xml; the other has one figure changed since.
TEST_F(UdfdumpTest, SignedSamples) {
  Json doc = dumpOf(sample("imzali-tutanak"));
  EXPECT_EQ(doc["signature"], Json::parse(R"({"isSigned": true, "signerName": "CAHİT YILMAZ",
      "tcNumber": "31415926530", "issuer": "TÜBİTAK Kamu SM", "signingDate": "04.12.2026 14:30:15",
      "status": "verified", "chain": "untrustedRoot", "certificatePeriod": "valid",
      "signers": [{"name": "CAHİT YILMAZ", "tcNumber": "31415926530", "issuer": "TÜBİTAK Kamu SM",
                   "signingDate": "04.12.2026 14:30:15", "digestAlgorithm": "sha256", "status": "verified",
                   "chain": "untrustedRoot", "certificatePeriod": "valid"}]})"));
  EXPECT_EQ(doc["pageProps"]["pageWidth"], 841.89);  // landscape A4
  EXPECT_EQ(doc["verificationCode"], "Tz4Hn=9P");
  EXPECT_EQ(dumpOf(sample("degistirilmis-tutanak"))["signature"]["status"], "contentChanged");
}

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
      {{}, 2, ""}, {{"--json"}, 2, ""}, {{"--bogus", good}, 2, ""},
  };
  // clang-format on
  for (const auto& [arguments, status, out] : cases) {
    CommandResult run = udfverify(arguments);
    EXPECT_EQ(run.status, status) << ::testing::PrintToString(arguments);
    EXPECT_EQ(run.out, out) << ::testing::PrintToString(arguments);
  }
  EXPECT_NE(udfverify({"--help"}).out.find("usage: udfverify [--json] FILE..."), std::string::npos);
  EXPECT_EQ(udfverify({"--version"}).out.rfind("udfverify ", 0), 0u);

  CommandResult json = udfverify({"--json", good, sample("karar")});
  EXPECT_EQ(json.status, 1);
  // The signature as udfdump writes it (SignedSamples).
  EXPECT_EQ(
      Json::parse(json.out),
      Json::array(
          {Json::object({{"file", good}, {"status", "verified"}, {"signature", dumpOf(good)["signature"]}}),
           Json::object({{"file", sample("karar")}, {"status", "unsigned"}, {"signature", nullptr}})}));
}

// --- udfpack ---------------------------------------------------------------------------

int udfpack(const std::vector<std::string>& arguments) {
  return testing::runCommand(UDFPACK_PATH, arguments).status;
}

TEST_F(UdfdumpTest, UdfpackPacksASampleFolder) {
  const std::string packed = (folder.path() / "karar-packed.udf").string();
  ASSERT_EQ(udfpack({MARAVEL_SOURCE_DIR "/samples/karar", packed}), 0);
  EXPECT_EQ(dumpOf(packed), dumpOf(sample("karar")));
  EXPECT_EQ(udfpack({(folder.path() / "no-such-folder").string(), packed}), 2);
  const std::string signature = folder.write("x.sgn", testing::bytes("x")).string();
  ASSERT_EQ(udfpack({MARAVEL_SOURCE_DIR "/samples/karar", packed, signature}), 0);
  EXPECT_EQ(dumpOf(packed)["signature"]["status"], "unreadable");
  EXPECT_EQ(udfpack({"only-one-argument"}), 2);
}

}  // namespace
}  // namespace maravel
