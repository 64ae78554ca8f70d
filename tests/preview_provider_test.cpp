#include "preview/preview_provider.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/editor_content.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

namespace fs = std::filesystem;
using quicklook::QLFilePreviewRequest;
using quicklook::QLPreviewReply;
using testing::bytes;
using testing::makeUdf;

const std::string kContent = testing::editorContent(
    "T.C.\nDOSYA NO\t: 2026/101 Esas\n",
    R"(<paragraph Alignment="1" resolver="hvl-default"><content resolver="hvl-default" bold="true" )"
    R"(startOffset="0" length="4" /></paragraph><paragraph TabSet="69.0:2:0" Alignment="3" )"
    R"(resolver="hvl-default"><content resolver="hvl-default" startOffset="5" length="24" /></paragraph>)");

std::string text(const QLPreviewReply& reply) { return *reply.data(); }

class PreviewProviderTest : public ::testing::Test {
 protected:
  QLPreviewReply preview(const fs::path& path) const {
    return provider.providePreview(QLFilePreviewRequest{path});
  }

  void expectErrorPage(const QLPreviewReply& reply) const {
    EXPECT_EQ(reply.contentType().identifier, "public.html");
    EXPECT_EQ(reply.contentSize().width, 800);
    EXPECT_EQ(reply.contentSize().height, 800);
    EXPECT_EQ(text(reply), PreviewProvider::errorPage());
  }

  testing::ScratchFolder dir;
  PreviewProvider provider;
};

TEST_F(PreviewProviderTest, UnreadableInputsGiveTheErrorPage) {
  expectErrorPage(preview(dir.write("bos.udf", {})));
  expectErrorPage(preview(dir.write("metin.udf", bytes("Bu bir UDF belgesi değil.\n"))));
  expectErrorPage(
      preview(dir.write("eksik.udf", testing::ZipWriter().add("documentproperties.xml", "<x/>").finish())));
  expectErrorPage(preview(dir.path() / "yok.udf"));
  expectErrorPage(preview(dir.path()));
  const fs::path fifo = dir.path() / "boru.udf";  // nobody writes: reading it would wait forever
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  expectErrorPage(preview(fifo));
  expectErrorPage(preview(fs::path()));
  const fs::path locked = dir.write("kilitli.udf", makeUdf(kContent));
  fs::permissions(locked, fs::perms::none);
  if (!std::ifstream(locked).good()) expectErrorPage(preview(locked));  // unless running with all rights
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_write);
}

// The title is the last path component unchanged; damaged XML still gives
// a document page.
TEST_F(PreviewProviderTest, DocumentGivesItsPage) {
  const QLPreviewReply reply = preview(dir.write("Karar_Örneği_ğüşıöç.udf", makeUdf(kContent)));
  EXPECT_EQ(reply.contentType(), quicklook::UTType::html());
  EXPECT_EQ(reply.contentSize().width, 860);
  EXPECT_EQ(reply.contentSize().height, 1150);
  const std::string page = text(reply);
  EXPECT_TRUE(page.starts_with("<!DOCTYPE html>"));
  EXPECT_NE(page.find("<title>Karar_Örneği_ğüşıöç.udf</title>"), std::string::npos);
  EXPECT_NE(page.find("2026/101 Esas"), std::string::npos);
  EXPECT_EQ(text(reply), page);  // the block hands back the same bytes every time

  fs::create_directories(dir.path() / "alt klasör");
  const std::string nested = text(preview(dir.write("alt klasör/tutanak.2026.udf", makeUdf(kContent))));
  EXPECT_NE(nested.find("<title>tutanak.2026.udf</title>"), std::string::npos);
  EXPECT_EQ(nested.find("alt klas"), std::string::npos);
  EXPECT_EQ(preview(dir.write("bozuk.udf", makeUdf("<template><content><![CDATA[yarım"))).contentSize().width,
            860);
}

}  // namespace
}  // namespace maravel
