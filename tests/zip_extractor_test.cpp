#include "reader/zip_extractor.hpp"

#include <gtest/gtest.h>

#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using testing::bytes;
using testing::ZipWriter;

using Buffer = std::vector<std::uint8_t>;

void put32(Buffer& archive, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) archive[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void put16(Buffer& archive, std::size_t at, std::uint16_t value) {
  archive[at] = static_cast<std::uint8_t>(value);
  archive[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint32_t get32(const Buffer& archive, std::size_t at) {
  return archive[at] | (archive[at + 1] << 8) | (archive[at + 2] << 16) |
         (std::uint32_t{archive[at + 3]} << 24);
}

// Where the end record and the central directory of a comment-less archive are.
struct Layout {
  std::size_t endRecord;
  std::size_t directoryOffset;
  std::size_t directorySize;
};

Layout layoutOf(const Buffer& archive) {
  const std::size_t endRecord = archive.size() - 22;
  return {endRecord, get32(archive, endRecord + 16), get32(archive, endRecord + 12)};
}

std::string repeated(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += "Madde " + std::to_string(i) + " ";
  text.resize(size);
  return text;
}

ZipWriter::Entry entry(std::string name, std::string_view data, std::uint16_t method = 8) {
  ZipWriter::Entry e;
  e.name = std::move(name);
  e.data = bytes(data);
  e.method = method;
  return e;
}

const std::string kContent = R"(<?xml version="1.0" encoding="UTF-8" ?><template format_id="1.8"/>)";

class ZipExtractorTest : public ::testing::Test {
 protected:
  static ZipEntries extract(const Buffer& archive) { return FastZipExtractor::extractEntries(archive); }
};

// The editor's own archive shape is read by every golden document.
TEST_F(ZipExtractorTest, ShortForeignOrTooLongCommentedBuffersGiveNothing) {
  for (std::size_t size = 0; size < 22; ++size) EXPECT_TRUE(extract(Buffer(size, 0x50)).empty());
  EXPECT_TRUE(extract(bytes(std::string(100, 'x'))).empty());
  // The longest comment is read; an end record further back is not found.
  Buffer archive = ZipWriter().add("content.xml", kContent).finish(std::string(65535, 'c'));
  EXPECT_EQ(extract(archive).count("content.xml"), 1u);
  archive.push_back('c');
  EXPECT_TRUE(extract(archive).empty());
}

TEST_F(ZipExtractorTest, EndRecordNearestTheEndWins) {
  const Buffer first = ZipWriter().add("content.xml", kContent).finish();
  // A comment that holds a second, complete end record pointing at a
  // directory with another entry: the later record is the one used.
  Buffer archive = ZipWriter().add("content.xml", kContent).add("other.xml", "<a/>").finish();
  const Layout layout = layoutOf(archive);
  Buffer fake(archive.begin() + layout.endRecord, archive.end());
  put32(fake, 12, layout.directorySize);
  put32(fake, 16, layout.directoryOffset);
  put16(archive, layout.endRecord + 20, static_cast<std::uint16_t>(fake.size()));
  const Buffer decoy(first.end() - 22, first.end());  // points elsewhere
  archive.insert(archive.end(), decoy.begin(), decoy.end());
  // Now the nearest record is the decoy from `first`: its directory offset
  // lands on local data, not a central header, so nothing is read.
  EXPECT_TRUE(extract(archive).empty());
  archive.insert(archive.end(), fake.begin(), fake.end());
  EXPECT_EQ(extract(archive).size(), 2u);
}

TEST_F(ZipExtractorTest, TruncatedCentralDirectoryKeepsCompleteHeaders) {
  const Buffer archive =
      ZipWriter().add("a.xml", "A").add("b.xml", "B").add("content.xml", kContent).finish();
  const Layout layout = layoutOf(archive);
  // Cut in the middle of the third header and claim a huge directory.
  Buffer cut(archive.begin(), archive.begin() + layout.directoryOffset + 2 * (46 + 5) + 20);
  Buffer endRecord(archive.end() - 22, archive.end());
  put32(endRecord, 12, 0xFFFFFFF0u);
  cut.insert(cut.end(), endRecord.begin(), endRecord.end());
  EXPECT_EQ(extract(cut), (ZipEntries{{"a.xml", bytes("A")}, {"b.xml", bytes("B")}}));
}

TEST_F(ZipExtractorTest, GarbageAfterTheLastHeaderStopsTheWalk) {
  Buffer archive = ZipWriter().add("content.xml", kContent).finish();
  const Layout layout = layoutOf(archive);
  const std::size_t directoryEnd = layout.directoryOffset + layout.directorySize;
  archive.insert(archive.begin() + directoryEnd, 60, 'g');
  put32(archive, archive.size() - 22 + 12, layout.directorySize + 60);
  EXPECT_EQ(extract(archive), (ZipEntries{{"content.xml", bytes(kContent)}}));
}

TEST_F(ZipExtractorTest, EntriesAreKeptRenamedOrSkipped) {
  Buffer archive = ZipWriter()
                       .add("bzip.bin", "data", 0)
                       .add("resources/", "", 0)
                       .add("kar\xFFr.xml", "x")
                       .add("content.xml", "first")
                       .add("content.xml", "second")
                       .finish();
  put16(archive, layoutOf(archive).directoryOffset + 10, 12);  // bzip2 in the first header
  // An unsupported method is skipped, a name that is not UTF-8 becomes empty
  // and the later duplicate wins.
  EXPECT_EQ(extract(archive),
            (ZipEntries{{"resources/", {}}, {"", bytes("x")}, {"content.xml", bytes("second")}}));
}

TEST_F(ZipExtractorTest, DeclaredSizeDecidesWhetherInflationFits) {
  ZipWriter::Entry tooSmall = entry("big.xml", repeated(5000));
  tooSmall.declaredUncompressedSize = 4999;
  ZipWriter::Entry floor = entry("small.xml", repeated(1000));
  floor.declaredUncompressedSize = 999;
  ZipWriter::Entry unknown = entry("zero.xml", repeated(1500));
  unknown.declaredUncompressedSize = 0;
  EXPECT_EQ(extract(ZipWriter().add(tooSmall).add(floor).add(unknown).finish()),
            (ZipEntries{{"small.xml", bytes(repeated(1000))}, {"zero.xml", bytes(repeated(1500))}}));
}

TEST_F(ZipExtractorTest, HugeDeclaredSizeOnTinyArchiveAllocatesLittle) {
  ZipWriter::Entry liar = entry("content.xml", kContent);
  liar.declaredUncompressedSize = 0xFFFFFFFFu;
  const Buffer archive = ZipWriter().add(liar).finish();
  ASSERT_LT(archive.size(), 400u);
  // A 4 GiB buffer would abort under ASan.
  EXPECT_EQ(extract(archive), (ZipEntries{{"content.xml", bytes(kContent)}}));
}

TEST_F(ZipExtractorTest, RepeatedEntriesStopAtTheArchiveBudget) {
  // One stored 1000-byte blob referenced by 20 central directory entries:
  // each copy is charged, so a 10,500-byte budget holds ten of them.
  ZipWriter writer;
  writer.add("0", std::string(1000, 'z'), 0);
  for (int i = 1; i < 20; ++i) {
    ZipWriter::Entry reference = entry(std::to_string(i), "", 0);
    reference.declaredCompressedSize = 1000;
    reference.declaredLocalHeaderOffset = 0;
    writer.add(reference);
  }
  writer.add("tiny", "t", 0);
  const ZipEntries entries = FastZipExtractor::extractEntries(writer.finish(), 10500);
  EXPECT_EQ(entries.size(), 11u);
  EXPECT_EQ(entries.count("tiny"), 1u);  // still fits after the large ones were refused

  // The inflation buffer never exceeds the rest of the budget.
  ZipWriter::Entry declared = entry("content.xml", repeated(3000));
  declared.declaredUncompressedSize = 3000;
  const Buffer archive = ZipWriter().add(declared).finish();
  EXPECT_EQ(FastZipExtractor::extractEntries(archive, 3000).size(), 1u);
  EXPECT_TRUE(FastZipExtractor::extractEntries(archive, 2999).empty());
}

TEST_F(ZipExtractorTest, DataOutsideTheBufferIsSkipped) {
  ZipWriter::Entry farAway = entry("far.xml", "x", 0);
  farAway.declaredLocalHeaderOffset = 0xFFFFFF00u;
  ZipWriter::Entry tooLong = entry("long.xml", "x", 0);
  tooLong.declaredCompressedSize = 0xFFFFFFFFu;
  EXPECT_EQ(extract(ZipWriter().add(farAway).add(tooLong).add("content.xml", kContent).finish()),
            (ZipEntries{{"content.xml", bytes(kContent)}}));
}

TEST_F(ZipExtractorTest, HeaderLengthsPastTheBufferEndTheWalk) {
  Buffer archive = ZipWriter().add("a.xml", "A", 0).add("b.xml", "B", 0).finish();
  const Layout layout = layoutOf(archive);
  const std::size_t second = layout.directoryOffset + 46 + 5;
  for (const std::size_t field : {28u, 30u, 32u}) {  // name, extra, comment length
    Buffer broken = archive;
    put16(broken, second + field, 0xFFFF);
    EXPECT_EQ(extract(broken), (ZipEntries{{"a.xml", bytes("A")}})) << field;
  }
}

TEST_F(ZipExtractorTest, DecompressDeflateBoundsTheBuffer) {
  const Buffer data = bytes(repeated(3000));
  const Buffer packed = ZipWriter::deflateRaw(data);
  EXPECT_EQ(FastZipExtractor::decompressDeflate(packed, 3000), data);
  EXPECT_EQ(FastZipExtractor::decompressDeflate(packed, 2999), std::nullopt);
  EXPECT_EQ(FastZipExtractor::decompressDeflate(packed, 0), data);  // 6 x input, at least 2048
  EXPECT_EQ(FastZipExtractor::decompressDeflate(packed, std::int64_t{1} << 40), data);
  EXPECT_EQ(FastZipExtractor::decompressDeflate(bytes("not deflate at all"), 100), std::nullopt);
  Buffer truncated(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed.size() / 2));
  EXPECT_EQ(FastZipExtractor::decompressDeflate(truncated, 3000), std::nullopt);
}

}  // namespace
}  // namespace maravel
