// The pluginkit and qlmanage commands against a user's freedesktop folders,
// here a scratch $XDG_DATA_HOME and $XDG_CACHE_HOME.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Maravel/tools/thumbnail_cache.hpp"
#include "tests/support/scratch_folder.hpp"

namespace maravel {
namespace {

namespace fs = std::filesystem;
using testing::CommandResult;
using testing::readFile;

constexpr const char* kTivenna = "com.orvelin.Maravel.Tivenna";
constexpr const char* kPelsora = "com.orvelin.Maravel.Pelsora";

class SystemToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dataHome_ = folder_.path() / "veri";
    cacheHome_ = folder_.path() / "önbellek";
    plugins_ = folder_.path() / "Uygulama Klasörü" / "PlugIns";
    // The manifests the build installs.
    for (const char* name : {"Pelsora.appex", "Tivenna.appex"})
      makeBundle(name, readFile(fs::path(MARAVEL_BINARY_DIR) / "Maravel" / name / "manifest"));
  }

  void makeBundle(const std::string& name, const std::string& manifest) const {
    const fs::path bundle = plugins_ / name;
    fs::create_directories(bundle);
    folder_.writeText(fs::relative(bundle / "manifest", folder_.path()).string(), manifest);
    for (const char* file : {"maravel-udf.xml", "tivenna.thumbnailer"}) {
      fs::copy_file(fs::path(MARAVEL_SOURCE_DIR) / "thumbnail" / file, bundle / file);
    }
  }

  CommandResult pluginkit(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command = {"XDG_DATA_HOME=" + dataHome_.string(), PLUGINKIT_PATH};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return testing::runCommand("/usr/bin/env", command);
  }

  CommandResult qlmanage(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command = {"XDG_CACHE_HOME=" + cacheHome_.string(), QLMANAGE_PATH};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return testing::runCommand("/usr/bin/env", command);
  }

  std::string bundle(const char* name) const { return (plugins_ / name).string(); }
  fs::path thumbnailer() const { return dataHome_ / "thumbnailers" / "tivenna.thumbnailer"; }

  testing::ScratchFolder folder_;
  fs::path dataHome_;
  fs::path cacheHome_;
  fs::path plugins_;
};

TEST_F(SystemToolsTest, RegistersInstallsTheMimeTypeAndSwitchesExtensionsOnAndOff) {
  ASSERT_EQ(pluginkit({"-a", bundle("Pelsora.appex")}).status, 0);
  ASSERT_EQ(pluginkit({"-a", bundle("Tivenna.appex")}).status, 0);
  EXPECT_EQ(readFile(dataHome_ / "mime" / "packages" / "maravel-udf.xml"),
            readFile(fs::path(MARAVEL_SOURCE_DIR) / "thumbnail" / "maravel-udf.xml"));
  EXPECT_NE(readFile(dataHome_ / "mime" / "globs2").find("application/x-uyap-udf:*.udf"), std::string::npos);
  EXPECT_EQ(pluginkit({"-m", "-i", kTivenna}).out, "-    com.orvelin.Maravel.Tivenna(0.1.0)\n");
  EXPECT_FALSE(fs::exists(thumbnailer()));

  ASSERT_EQ(pluginkit({"-e", "use", "-i", kTivenna}).status, 0);
  ASSERT_EQ(pluginkit({"-e", "use", "-i", kPelsora}).status, 0);
  EXPECT_EQ(pluginkit({"-m"}).out,
            "+    com.orvelin.Maravel.Pelsora(0.1.0)\n+    com.orvelin.Maravel.Tivenna(0.1.0)\n");
  const std::string executable = bundle("Tivenna.appex") + "/tivenna";
  EXPECT_EQ(readFile(thumbnailer()), "[Thumbnailer Entry]\nTryExec=" + executable + "\nExec=\"" + executable +
                                         "\" -s %s %u %o\nMimeType=application/x-uyap-udf;\n");

  ASSERT_EQ(pluginkit({"-e", "ignore", "-i", kTivenna}).status, 0);
  EXPECT_EQ(pluginkit({"-m", "-i", kTivenna}).out, "-    com.orvelin.Maravel.Tivenna(0.1.0)\n");
  EXPECT_FALSE(fs::exists(thumbnailer()));
  ASSERT_EQ(pluginkit({"-a", bundle("Tivenna.appex")}).status, 0);
  EXPECT_EQ(pluginkit({"-m", "-i", kTivenna}).out.substr(0, 1), "-") << "registering again keeps the choice";
}

TEST_F(SystemToolsTest, RefusesUnknownExtensionsForeignBundlesAndWrongArguments) {
  EXPECT_EQ(pluginkit({"-m", "-i", kTivenna}).out, "");
  const CommandResult unknown = pluginkit({"-e", "use", "-i", kTivenna});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.err, "pluginkit: com.orvelin.Maravel.Tivenna: no such extension is registered\n");
  EXPECT_EQ(pluginkit({"-a", folder_.path().string()}).status, 1);
  makeBundle("Kaçak.appex", "identifier=../../../kacak\nkind=thumbnail\nexecutable=tivenna\n");
  EXPECT_EQ(pluginkit({"-a", bundle("Kaçak.appex")}).status, 1);
  makeBundle("Nokta.appex", "identifier=..\nkind=thumbnail\nexecutable=tivenna\n");
  EXPECT_EQ(pluginkit({"-a", bundle("Nokta.appex")}).status, 1);
  makeBundle("Dışarı.appex", "identifier=com.example.Disari\nkind=thumbnail\nexecutable=../../bin/sh\n");
  EXPECT_EQ(pluginkit({"-a", bundle("Dışarı.appex")}).status, 1);
  EXPECT_EQ(pluginkit({"-e", "use", "-i", "../../../kacak"}).status, 1);
  EXPECT_FALSE(fs::exists(dataHome_ / "maravel")) << "nothing was recorded";
}

// A PNG with the thumbnail's text chunks; the image data does not matter.
std::string thumbnailPNG(const std::string& uri) {
  auto chunk = [](const std::string& type, const std::string& data) {
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((data.size() >> shift) & 0xFF);
    const std::string body = type + data;
    const auto crc = ::crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    bytes += body;
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((crc >> shift) & 0xFF);
    return bytes;
  };
  return std::string("\x89PNG\r\n\x1a\n", 8) +
         chunk("IHDR", std::string("\0\0\0\1\0\0\0\1\x08\x06\0\0\0", 13)) +
         chunk("tEXt", std::string("Thumb::MTime\0") + "1767225600") +
         chunk("tEXt", std::string("Thumb::URI\0", 11) + uri) + chunk("IDAT", "") + chunk("IEND", "");
}

TEST_F(SystemToolsTest, RefreshRemovesTheThumbnailsAndFailuresOfUdfFilesOnly) {
  EXPECT_EQ(qlmanage({"-r"}).status, 0) << "no cache yet";
  const fs::path thumbnails = cacheHome_ / "thumbnails";
  for (const char* folder : {"normal", "large", "fail/gnome-thumbnail-factory"}) {
    fs::create_directories(thumbnails / folder);
  }
  auto write = [&](const std::string& name, const std::string& bytes) {
    folder_.writeText(fs::relative(thumbnails / name, folder_.path()).string(), bytes);
  };
  write("normal/a.png", thumbnailPNG("file:///home/ayse/karar.udf"));
  write("large/b.png", thumbnailPNG("file:///home/ayse/D%C4%B0LEK%C3%87E.UDF"));
  write("fail/gnome-thumbnail-factory/c.png", thumbnailPNG("file:///home/ayse/bozuk.udf"));
  write("normal/d.png", thumbnailPNG("file:///home/ayse/rapor.pdf"));
  write("normal/e.png", thumbnailPNG("file:///home/ayse/karar.udf").substr(0, 40));
  write("normal/f.png", "not a png at all");
  fs::create_symlink(thumbnails / "normal" / "a.png", thumbnails / "large" / "link.png");
  const CommandResult refresh = qlmanage({"-r"});
  EXPECT_EQ(refresh.status, 0);
  EXPECT_EQ(refresh.out + refresh.err, "");
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(thumbnails)) {
    if (!entry.is_directory()) left.push_back(fs::relative(entry.path(), thumbnails).string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left,
            (std::vector<std::string>{"large/link.png", "normal/d.png", "normal/e.png", "normal/f.png"}));
}

TEST(ThumbnailCacheTest, ReadsTheURIOnlyFromTextChunksBeforeTheImage) {
  const std::string png = thumbnailPNG("file:///a/karar.udf");
  EXPECT_EQ(ThumbnailCache::thumbnailURI(png), "file:///a/karar.udf");
  std::string hugeLength = png;
  hugeLength[33] = '\x7F';  // the first text chunk claims almost 2 GiB
  EXPECT_EQ(ThumbnailCache::thumbnailURI(hugeLength), std::nullopt);
  EXPECT_EQ(ThumbnailCache::thumbnailURI(png.substr(0, png.find("Thumb::URI"))), std::nullopt);
  EXPECT_EQ(ThumbnailCache::thumbnailURI(""), std::nullopt);
}

}  // namespace
}  // namespace maravel
