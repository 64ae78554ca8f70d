// The host window's decisions, driven without a display: what the window
// shows and says for each outcome, which commands it runs, what it accepts
// and what it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Maravel/document_load.hpp"
#include "Maravel/extension_activation.hpp"
#include "Maravel/main_window_controller.hpp"
#include "Maravel/navigation_policy.hpp"
#include "Maravel/open_requests.hpp"
#include "Maravel/page_feed.hpp"
#include "Maravel/recent_files.hpp"
#include "Maravel/save_request.hpp"
#include "Maravel/text_search.hpp"
#include "Maravel/window_texts.hpp"
#include "paper/page_layout.hpp"
#include "platform/drawing/leak_suppressions.hpp"
#include "platform/process/process.hpp"
#include "tests/support/model_values.hpp"
#include "tests/support/recording_surface.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using Call = std::vector<std::string>;  // program, then its arguments

constexpr std::string_view kOneParagraph = R"(<?xml version="1.0" encoding="UTF-8" ?>
<template format_id="1.8" ><content><![CDATA[T.C. KURGU MAHKEMESİ]]></content>
<elements resolver="hvl-default"><paragraph><content startOffset="0" length="20" /></paragraph></elements></template>)";

// Stands in for pluginkit and qlmanage: records every call and answers the
// queries with the given lines, in order.
struct FakeTools {
  std::vector<Call> calls;
  std::vector<std::string> queryAnswers;

  ToolRunner runner() {
    return [this](const std::string& path, const std::vector<std::string>& arguments) {
      Call call{path};
      call.insert(call.end(), arguments.begin(), arguments.end());
      calls.push_back(call);
      if (arguments.empty() || arguments.front() != "-m" || queryAnswers.empty()) return std::string();
      std::string answer = queryAnswers.front();
      queryAnswers.erase(queryAnswers.begin());
      return answer;
    };
  }
};

class MainWindowControllerTest : public ::testing::Test {
 protected:
  // An installation under a prefix of the scratch folder, with or without
  // its PlugIns folder.
  HostInstallation installedUnder(const std::string& home, bool withPlugIns = true) {
    prefix_ = folder_.path() / "home" / ".local";
    std::filesystem::create_directories(prefix_ / "bin");
    if (withPlugIns) std::filesystem::create_directories(prefix_ / "lib" / "maravel" / "PlugIns");
    return {(prefix_ / "bin" / "maravel").string(), home};
  }

  std::shared_ptr<MainWindowController> makeController(HostInstallation installation, ToolRunner runner,
                                                       bool hasWindow = true) {
    return MainWindowController::create(std::make_unique<testing::RecordingSurface>(log_, hasWindow),
                                        std::move(installation), std::move(runner));
  }

  std::string tool(const char* name) const { return (prefix_ / "libexec" / "maravel" / name).string(); }

  testing::ScratchFolder folder_;
  std::filesystem::path prefix_;
  testing::SurfaceLog log_;
  FakeTools tools_;
};

TEST_F(MainWindowControllerTest, ShowsADocumentOrSaysWhyNot) {
  tools_.queryAnswers = {"+ first", "+ second"};
  const auto controller = makeController(installedUnder((folder_.path() / "home").string()), tools_.runner());
  EXPECT_EQ(log_.titles, std::vector<std::string>{"Maravel (Önizleme)"});
  EXPECT_EQ(log_.statuses, std::vector<StatusMessage>{StatusMessage::checking()});
  EXPECT_EQ(log_.pages, std::vector<std::string>{std::string(WindowTexts::welcomePage())});
  EXPECT_TRUE(log_.built && tools_.calls.empty()) << "the extension check waits for the window";
  const auto karar = folder_.write("Karar Örneği.UDF", testing::makeUdf(kOneParagraph));
  log_.actions.open();
  EXPECT_EQ(log_.openFolder, "") << "the dialog's own choice before the first document";
  log_.openChosen(karar.string());
  ASSERT_EQ(log_.pages.size(), 2u);
  EXPECT_NE(log_.pages.back().find("KURGU MAHKEMES"), std::string::npos);
  EXPECT_NE(log_.pages.back().find("<title>Karar Örneği.UDF</title>"), std::string::npos);
  EXPECT_EQ(log_.statuses.back(), (StatusMessage{"✓ Önizleniyor: Karar Örneği.UDF", StatusColour::success}));
  EXPECT_EQ(log_.titles.back(), "Karar Örneği.UDF — Maravel");

  folder_.writeText("düz.udf", "PK but not a zip archive");
  folder_.write("içeriksiz.udf", testing::ZipWriter().add("other.xml", "<a/>").finish());
  folder_.write("tablo.udf", testing::ZipWriter().add("[Content_Types].xml", "<Types/>").finish());
  std::vector<std::uint8_t> cut = testing::makeUdf(kOneParagraph);
  cut.resize(cut.size() - 30);  // the archive's directory is gone
  folder_.write("yarım.udf", cut);
  std::filesystem::create_directory(folder_.path() / "klasör.udf");
  folder_.write("notlar.txt", testing::makeUdf(kOneParagraph));
  // The name, then the status and what the view in place of the document says (empty: the name is refused).
  const std::string rows[][3] = {
      {"notlar.txt", "⚠️ notlar.txt bir .udf dosyası değil", ""},
      {"karar.udf.zip", "⚠️ karar.udf.zip bir .udf dosyası değil", ""},
      {".udf", "⚠️ .udf bir .udf dosyası değil", ""},
      {"içeriksiz.udf", "⚠️ Dosya okunamadı: içeriksiz.udf",
       "Bu bir UDF belgesi değil: “içeriksiz.udf” bir zip"},
      {"tablo.udf", "⚠️ Dosya okunamadı: tablo.udf",
       "Bu bir UDF belgesi değil: “tablo.udf” bir hesap tablosu"},
      {"yarım.udf", "⚠️ Dosya okunamadı: yarım.udf", "Belge hasarlı: “yarım.udf” arşivi bozuk"},
      {"yok.udf", "⚠️ Dosya okunamadı: yok.udf", "Dosya bulunamadı: “yok.udf” yerinde yok"},
      {"klasör.udf", "⚠️ Dosya okunamadı: klasör.udf", "Dosya okunamadı: “klasör.udf” açılamadı"},
      {"düz.udf", "⚠️ Dosya okunamadı: düz.udf",
       "Bu bir UDF belgesi değil: “düz.udf” bir zip arşivi değil"},
  };
  // Each way in: the command line or a file manager, a drop, the "Aç…" dialog.
  const std::function<void(const std::string&)> ways[] = {
      [&](const std::string& path) { controller->openFile(path); }, log_.actions.fileDropped,
      [&](const std::string& path) {
        log_.actions.open();
        log_.openChosen(path);
      }};
  for (const auto& way : ways) {
    for (const auto& [name, status, failure] : rows) {
      const std::size_t failures = log_.failures.size();
      way((folder_.path() / name).string());
      EXPECT_EQ(log_.statuses.back(), (StatusMessage{status, StatusColour::error})) << name;
      EXPECT_EQ(log_.failures.size(), failures + !failure.empty()) << name;
      if (!failure.empty()) {
        EXPECT_TRUE(log_.failures.back().starts_with(failure)) << log_.failures.back();
      }
    }
  }
  EXPECT_EQ(log_.openFolder, "") << "no document shown, the dialog's own choice";
  EXPECT_EQ(log_.pages.size(), 2u);
  EXPECT_EQ(log_.titles.back(), "Maravel (Önizleme)") << "the view of the failure names no document";
  EXPECT_FALSE(log_.documentActions.back()) << "and nothing is left to print or save";

  // The extension check, finishing after a broken file was asked for,
  // reports on its own line.
  controller->checkInstallation();
  EXPECT_EQ(log_.line(StatusLine::document), "⚠️ Dosya okunamadı: düz.udf");
  EXPECT_EQ(log_.line(StatusLine::extensions), StatusMessage::extensionsActive().text);
}

TEST_F(MainWindowControllerTest, PrintsAndSavesOnceADocumentIsShown) {
  const auto controller = makeController({}, tools_.runner());
  log_.actions.print();
  log_.actions.saveAsPDF();
  EXPECT_EQ(log_.printJob, nullptr) << "nothing to print on the welcome page";
  EXPECT_EQ(log_.saveRequest, std::nullopt);

  const auto karar = folder_.write("Karar.2024.UDF", testing::makeUdf(kOneParagraph));
  controller->loadUDF(karar.string());
  log_.actions.print();
  ASSERT_NE(log_.printJob, nullptr);
  EXPECT_EQ(log_.printJob->title(), "Karar.2024.UDF");
  EXPECT_EQ(log_.printJob->pageCount(), 1);
  log_.printFailed();
  EXPECT_EQ(log_.statuses.back(),
            (StatusMessage{"⚠️ Yazdırılamadı: Karar.2024.UDF", StatusColour::error}));

  log_.actions.saveAsPDF();
  EXPECT_EQ(log_.saveRequest, (SaveRequest{folder_.path().string(), "Karar.2024.pdf"}));
  log_.saveChosen((folder_.path() / "karar.pdf").string());
  EXPECT_TRUE(testing::readFile(folder_.path() / "karar.pdf").starts_with("%PDF-"));
  EXPECT_EQ(log_.statuses.back(),
            (StatusMessage{"✓ PDF olarak kaydedildi: karar.pdf", StatusColour::success}));
  log_.saveChosen((folder_.path() / "yok" / "karar.pdf").string());
  EXPECT_EQ(log_.statuses.back(),
            (StatusMessage{"⚠️ PDF kaydedilemedi: karar.pdf", StatusColour::error}));

  log_.actions.saveAsDocx();
  EXPECT_EQ(log_.saveRequest, (SaveRequest{folder_.path().string(), "Karar.2024.docx", SaveFormat::docx}));
  log_.saveChosen((folder_.path() / "karar.docx").string());
  EXPECT_TRUE(testing::readFile(folder_.path() / "karar.docx").starts_with("PK\x03\x04"));
  EXPECT_EQ(log_.statuses.back(),
            (StatusMessage{"✓ Word belgesi olarak kaydedildi: karar.docx", StatusColour::success}));
  log_.saveChosen((folder_.path() / "yok" / "karar.docx").string());
  EXPECT_EQ(log_.statuses.back(),
            (StatusMessage{"⚠️ Word belgesi kaydedilemedi: karar.docx", StatusColour::error}));
}

TEST_F(MainWindowControllerTest, RegistersEnablesRefreshesAndReportsBothOn) {
  // A line is on unless it is empty or starts with a minus.
  tools_.queryAnswers = {"+    com.orvelin.Maravel.Pelsora(0.1.0)\n",
                         "     com.orvelin.Maravel.Tivenna(0.1.0)\n"};
  const auto controller = makeController(installedUnder((folder_.path() / "home").string()), tools_.runner());
  controller->checkInstallation();
  const std::string plugins = (prefix_ / "lib" / "maravel" / "PlugIns").string();
  const std::string pluginkit = tool("pluginkit");
  EXPECT_EQ(tools_.calls, (std::vector<Call>{
                              {pluginkit, "-a", plugins + "/Pelsora.appex"},
                              {pluginkit, "-a", plugins + "/Tivenna.appex"},
                              {pluginkit, "-e", "use", "-i", "com.orvelin.Maravel.Pelsora"},
                              {pluginkit, "-e", "use", "-i", "com.orvelin.Maravel.Tivenna"},
                              {tool("qlmanage"), "-r"},
                              {pluginkit, "-m", "-i", "com.orvelin.Maravel.Pelsora"},
                              {pluginkit, "-m", "-i", "com.orvelin.Maravel.Tivenna"},
                          }));
  EXPECT_EQ(log_.backgroundRuns, 1);
  EXPECT_EQ(log_.statuses.back(), StatusMessage::extensionsActive());
  EXPECT_FALSE(log_.alert.has_value());
}

TEST_F(MainWindowControllerTest, AnyQueryThatIsNotOnReportsOff) {
  struct Case {
    std::vector<std::string> answers;
    std::size_t queries;
  };
  const Case cases[] = {{{"", "+ second"}, 1},
                        {{"- first", "+ second"}, 1},
                        {{"+ first", "-  second"}, 2},
                        {{"+ first", ""}, 2}};
  for (const Case& c : cases) {
    tools_ = {{}, c.answers};
    log_ = {};
    const auto controller =
        makeController(installedUnder((folder_.path() / "home").string()), tools_.runner());
    controller->activateExtensions();
    EXPECT_EQ(log_.statuses.back(), StatusMessage::extensionsOff()) << c.answers.front();
    EXPECT_EQ(tools_.calls.size(), 5 + c.queries) << c.answers.front();
  }
}

TEST_F(MainWindowControllerTest, AMissingPlugInsFolderRegistersBareBundleNames) {
  const auto controller =
      makeController(installedUnder((folder_.path() / "home").string(), false), tools_.runner());
  controller->activateExtensions();
  ASSERT_GE(tools_.calls.size(), 2u);
  EXPECT_EQ(tools_.calls[0].back(), "/Pelsora.appex");
  EXPECT_EQ(tools_.calls[1].back(), "/Tivenna.appex");
}

TEST_F(MainWindowControllerTest, NotInstalledWarnsRunsNothingAndQuitsWhenTheAlertCloses) {
  const auto controller =
      makeController({"/home/ayse/İndirilenler/maravel/bin/maravel", "/home/ayse"}, tools_.runner());
  controller->checkInstallation();
  EXPECT_TRUE(tools_.calls.empty());
  EXPECT_EQ(log_.statuses.back(), StatusMessage::notInstalled());
  EXPECT_EQ(log_.alert, WindowTexts::notInstalledAlert());
  EXPECT_FALSE(log_.quit);
  log_.alertClosed();
  EXPECT_TRUE(log_.quit);
}

TEST_F(MainWindowControllerTest, WithoutAWindowTheWarningIsOnlyTheStatus) {
  const auto controller = makeController({"/tmp/maravel", "/root"}, tools_.runner(), false);
  controller->showNotInstalledAlert();
  EXPECT_EQ(log_.statuses.back(), StatusMessage::notInstalled());
  EXPECT_FALSE(log_.alert.has_value());
}

TEST_F(MainWindowControllerTest, RefreshReportsSuccessEvenWithoutQlmanage) {
  const auto controller = makeController(installedUnder("/home/ayse"), run);
  log_.actions.refresh();
  EXPECT_FALSE(std::filesystem::exists(tool("qlmanage")));
  EXPECT_EQ(log_.statuses.back(), StatusMessage::cacheRefreshed());
}

TEST_F(MainWindowControllerTest, TheWindowsCallbacksReachTheControllerOnlyWhileItLives) {
  auto controller = makeController({}, tools_.runner());
  log_.actions.fileDropped((folder_.path() / "yok.udf").string());
  EXPECT_EQ(log_.statuses.back().text, "⚠️ Dosya okunamadı: yok.udf");
  controller.reset();
  const std::size_t shown = log_.statuses.size();
  log_.actions.fileDropped((folder_.path() / "yok.udf").string());
  log_.actions.refresh();
  EXPECT_EQ(log_.statuses.size(), shown);
}

TEST_F(MainWindowControllerTest, ASystemWideInstallOnlyReadsItsRegistration) {
  const std::string home = (folder_.path() / "home").string();
  EXPECT_FALSE((HostInstallation{home + "/.local/bin/maravel", home}.isSystemWide()));
  const HostInstallation system{"/usr/bin/maravel", home};
  ASSERT_TRUE(system.isSystemWide());
  const auto controller = makeController(system, tools_.runner());
  controller->checkInstallation();
  EXPECT_TRUE(tools_.calls.empty()) << "nothing registered, nothing written into the home";
  EXPECT_FALSE(std::filesystem::exists(home));

  const std::filesystem::path share = folder_.path() / "share";
  for (const std::string& file : ExtensionActivation::systemFiles()) {
    std::filesystem::create_directories((share / file).parent_path());
    folder_.writeText("share/" + file, "x");
  }
  EXPECT_TRUE(ExtensionActivation::checkSystemWide(share.string()));
  std::filesystem::remove(share / ExtensionActivation::systemFiles().back());
  EXPECT_FALSE(ExtensionActivation::checkSystemWide(share.string()));
}

TEST(TextSearchTest, FoldsLettersAsATurkishReaderDoes) {
  const std::string rows[][3] = {
      // text, needle, the text of each match joined by "|"
      {"IŞIK ışık Işık", "ışık", "IŞIK|ışık|Işık"},
      {"İSTANBUL ISTANBUL istanbul", "istanbul", "İSTANBUL|istanbul"},
      {"KATİP Katip katip", "KATİP", "KATİP|Katip|katip"},
      {"ÇĞÖŞÜ çğöşü", "çğöşü", "ÇĞÖŞÜ|çğöşü"},
      {"aaaa", "aa", "aa|aa"},
      {"metin", "", ""},
      // Letters that fold to more or fewer bytes before and inside a match.
      {"İİ IIab xİx", "ab", "ab"},
      {"İİ IIab xİx", "ııab", "IIab"},
      {"İİ IIab xİx", "xix", "xİx"},
      {"a\xFF\xFE" "b ab", "b", "b|b"},
  };
  for (const auto& [text, needle, expected] : rows) {
    std::string found;
    for (const TextRange& range : TextSearch(needle).find(text))
      found += (found.empty() ? "" : "|") + text.substr(range.from, range.to - range.from);
    EXPECT_EQ(found, expected) << needle;
  }
}

// A document of several pages with "Sayfa N / M" in its footer and one
// word on its last page, as the page view gets it from the layout thread.
TEST(PagedDocumentTest, HoldsEveryPageWithItsFooterAndFindsOnLaterPages) {
  auto doc = std::make_shared<UDFDocument>();
  for (int i = 0; i < 150; ++i) {
    doc->elements.emplace_back(testing::paragraphOf({testing::textRun("Satır " + std::to_string(i))}));
  }
  doc->elements.emplace_back(testing::paragraphOf({testing::textRun("Son söz: HEDEF")}));
  doc->footerElements.emplace_back(
      testing::paragraphOf({testing::textRun("Sayfa 1"), testing::textRun(" / 1")}));
  PagedDocument pages(doc);
  int wakes = 0;
  const auto feed = PageFeed::start(doc, 0, [&wakes] { ++wakes; });
  while (!feed->take(pages)) std::this_thread::yield();
  ASSERT_TRUE(pages.complete());
  EXPECT_EQ(pages.pageCount(), PageLayout::layout(*doc).pages.size());
  const std::size_t count = pages.pageCount();
  ASSERT_GE(count, 3u);
  for (std::size_t page = 0; page < count; ++page) {
    const std::string footer = "Sayfa " + std::to_string(page + 1) + " / " + std::to_string(count) + "\n";
    EXPECT_TRUE(pages.text(page).text().ends_with(footer)) << pages.text(page).text();
    for (const PaperText& text : pages.page(page).marks.texts)
      EXPECT_EQ(text.glyphs.capacity(), 0u) << "the pages held keep no memory for glyphs";
  }
  const std::vector<PageMatch> found = pages.find("hedef");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].page, count - 1);
  const std::vector<drawing::Rect> boxes =
      pages.text(count - 1).boxes(found[0].range.from, found[0].range.to);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_GT(boxes[0].width, 20);
  EXPECT_LT(boxes[0].x + boxes[0].width, pages.page(count - 1).width);
  const std::size_t middle =
      pages.text(count - 1).offsetAt({boxes[0].x + 1, boxes[0].y + boxes[0].height / 2});
  EXPECT_EQ(middle, found[0].range.from) << "a click at the word's left edge lands before it";
}

// Only the last texts asked for are kept; a page given its footer after its
// text was kept is read anew, however many pages came between.
TEST(PagedDocumentTest, KeepsFewTextsAndReadsAPageAnewOnceItsFooterCame) {
  PagedDocument pages(std::make_shared<UDFDocument>());
  const auto marks = [](const std::string& text, double baseline) {
    PaperMarks made;
    made.texts.push_back({});
    made.texts.back().text = text;
    made.texts.back().baseline = baseline;
    return made;
  };
  for (int i = 0; i < 60; ++i) {
    PaperPage page;
    page.marks = marks("sayfa " + std::to_string(i), 10);
    pages.addPage(std::move(page));
  }
  for (std::size_t round = 0; round < 2; ++round) {
    for (std::size_t i = 0; i < pages.pageCount(); ++i)
      EXPECT_EQ(pages.text(i).text(), "sayfa " + std::to_string(i) + "\n");
  }
  pages.text(59);
  for (std::size_t i = 0; i < 23; ++i) pages.text(i);
  pages.addRegions(60, marks("Son", 20));
  EXPECT_EQ(pages.text(59).text(), "sayfa 59\nSon\n");
  EXPECT_EQ(pages.find("son").size(), 1u);
  EXPECT_EQ(pages.find("SAYFA 5").size(), 11u);
}

// The file given on the command line is read ahead once; a load of it by
// another path takes that read, unless the file was written since.
TEST(DocumentLoadTest, TakesTheReadAheadOnlyWhileTheFileIsUnchanged) {
  testing::ScratchFolder folder;
  std::filesystem::create_directory(folder.path() / "d");
  const auto path = folder.write("d/karar.udf", testing::makeUdf(kOneParagraph));
  const std::string other = (folder.path() / "d" / ".." / "d" / "karar.udf").string();
  DocumentLoad::readAhead(path.string());
  DocumentLoad::readAhead(other);  // once a program: nothing
  const std::string written = std::string(kOneParagraph).replace(kOneParagraph.find("KURGU"), 5, "BAŞKA");
  folder.write("d/karar.udf", testing::makeUdf(written));
  const LoadedDocument loaded = DocumentLoad::load(other);
  ASSERT_TRUE(loaded.document);
  ASSERT_EQ(loaded.document->elements.size(), 1u);
  EXPECT_EQ(std::get<ParagraphItem>(loaded.document->elements[0]).fullText(), "T.C. BAŞKA MAHKEMESİ")
      << "the file as written now";
  EXPECT_FALSE(DocumentLoad::load((folder.path() / "yok.udf").string()).document);
}

TEST(HostInstallationTest, CountsOnlyTheInstallPrefixes) {
  struct Case {
    const char* executable;
    const char* home;
    bool installed;
  };
  const Case cases[] = {
      {"/usr/bin/maravel", "/home/ayse", true},
      {"/usr/local/bin/maravel", "/home/ayse", true},
      {"/opt/maravel/bin/maravel", "/home/ayse", true},
      {"/home/ayse/.local/bin/maravel", "/home/ayse", true},
      {"/usrlocal/bin/maravel", "/home/ayse", false},
      {"/usr-tools/bin/maravel", "/home/ayse", false},
      {"/optional/bin/maravel", "/home/ayse", false},
      {"/home/ayse/.localized/bin/maravel", "/home/ayse", false},
      {"/home/ayse/src/maravel/build/Maravel/maravel", "/home/ayse", false},
      {"/home/ayse2/.local/bin/maravel", "/home/ayse", false},
      {"/.local/bin/maravel", "", false},
      {"/media/ayse/MARAVEL/usr/bin/maravel", "/home/ayse", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ((HostInstallation{c.executable, c.home}.isInstalled()), c.installed) << c.executable;
  }
}

TEST(SaveRequestTest, ProposesTheDocumentsFolderAndNameAsPdf) {
  struct Case {
    const char* path;
    SaveRequest request;
  };
  const Case cases[] = {
      {"/ev/ayşe/karar.udf", {"/ev/ayşe", "karar.pdf"}},
      {"/a/Karar Örneği.UDF", {"/a", "Karar Örneği.pdf"}},
      {"/a/2024.05.13.karar.Udf", {"/a", "2024.05.13.karar.pdf"}},
      {"/a/ek.v2", {"/a", "ek.v2.pdf"}},
      {"/a/karar", {"/a", "karar.pdf"}},
      {"/a/.udf", {"/a", ".udf.pdf"}},
      {"karar.udf", {"", "karar.pdf"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SaveRequest::forDocument(c.path), c.request) << c.path;
}

TEST(OpenRequestsTest, AUDFNameEndsInUdfInAnyCase) {
  for (const char* path : {"/a/karar.udf", "/a/KARAR.UDF", "/a/dava.Udf", "/a/b.c/karar.uDF", "a.udf"}) {
    EXPECT_TRUE(OpenRequests::hasUDFName(path)) << path;
  }
  for (const char* path : {"/a/karar.txt", "/a/karar.udf.zip", "/a/udf", "/a/.udf", "/a/karar",
                           "/a/karar.udfx", "https://example.org/karar.udf?indir=1"}) {
    EXPECT_FALSE(OpenRequests::hasUDFName(path)) << path;
  }
}

TEST(OpenRequestsTest, TheFilesHandedOverBeforeTheWindowIsShownOnceItIsBuilt) {
  using Files = std::vector<std::string>;
  OpenRequests requests;
  EXPECT_EQ(requests.open({"/a/ilk.udf"}), Files{});
  EXPECT_EQ(requests.open({"/a/karar.udf", "/a/ek.udf"}), Files{});
  EXPECT_EQ(requests.open({}), Files{});
  EXPECT_EQ(requests.windowBuilt(), (Files{"/a/karar.udf", "/a/ek.udf"}));
  EXPECT_EQ(requests.windowBuilt(), Files{});
  EXPECT_EQ(requests.open({"/a/notlar.txt", "/a/sonra.udf"}), (Files{"/a/notlar.txt", "/a/sonra.udf"}));
}

TEST(RecentFilesTest, ListsTheDocumentsStillThereNewestFirst) {
  const std::vector<RecentFile> files = {
      {"/a/eski.udf", 1, true},        {"/a/notlar.txt", 9, true},
      {"/b/karar.udf", 5, true},       {"", 8, true},
      {"/a/silinen.udf", 7, false},    {"/a/karar.UDF", 6, true},
      {"/a/dava_2024_1.udf", 4, true}, {"/a/karar.udf", 3, true},
  };
  const std::vector<RecentEntry> expected = {
      {"/a/karar.UDF", "karar.UDF"},
      {"/b/karar.udf", "karar.udf (b)"},
      {"/a/dava_2024_1.udf", "dava__2024__1.udf"},
      {"/a/karar.udf", "karar.udf (a)"},
  };
  EXPECT_EQ(RecentFiles::entries(files, 4), expected);
  EXPECT_EQ(RecentFiles::entries(files).size(), 5u);
  EXPECT_EQ(RecentFiles::entries({{"/karar.udf", 1, true}, {"/x/karar.udf", 2, true}}).back().label,
            "karar.udf (/)");
}

TEST(NavigationPolicyTest, OnlyTheWindowsOwnPageLoads) {
  using Decision = NavigationRequest::Decision;
  using Cause = NavigationRequest::Cause;
  struct Case {
    NavigationRequest request;
    bool allowed;
  };
  const Case cases[] = {
      {{Decision::navigation, Cause::other, "about:blank"}, true},
      {{Decision::response, Cause::other, "about:blank"}, true},
      {{Decision::navigation, Cause::linkClicked, "about:blank#dipnot"}, true},
      {{Decision::navigation, Cause::linkClicked, "https://vatandas.uyap.gov.tr"}, false},
      {{Decision::navigation, Cause::linkClicked, "about:blank"}, false},
      {{Decision::navigation, Cause::other, "https://example.org/"}, false},
      {{Decision::navigation, Cause::other, "file:///home/ayse/karar.udf"}, false},
      {{Decision::navigation, Cause::other, "about:blankets"}, false},
      {{Decision::navigation, Cause::formSubmitted, "about:blank?q=1"}, false},
      {{Decision::navigation, Cause::backForward, "about:blank"}, false},
      {{Decision::navigation, Cause::reload, "about:blank"}, false},
      {{Decision::newWindow, Cause::linkClicked, "about:blank"}, false},
      {{Decision::response, Cause::other, "https://example.org/dosya.pdf"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(NavigationPolicy::allows(c.request), c.allowed) << c.request.uri;
  EXPECT_TRUE(NavigationPolicy::offersInContextMenu(ContextMenuAction::copy));
  EXPECT_TRUE(NavigationPolicy::offersInContextMenu(ContextMenuAction::selectAll));
  EXPECT_FALSE(NavigationPolicy::offersInContextMenu(ContextMenuAction::other));
}

}  // namespace
}  // namespace maravel

namespace maravel {
// The page view's badge says green only where an anchor vouches for every
// intact signer, as the page does.
TEST(WindowTextsTest, ScreenReadersHearTheWordsWithoutThePictographs) {
  const std::pair<std::string, std::string> cases[] = {
      {WindowTexts::titleLabel(), "Maravel (Önizleme)"},
      {WindowTexts::refreshButton(), "Küçük Resimleri Yenile"},
      {StatusMessage::previewing("karar.udf").text, "Önizleniyor: karar.udf"},
      {StatusMessage::unreadable("a.udf").text, "Dosya okunamadı: a.udf"},
      {"● Açılıyor: “dava – 2.udf”…", "Açılıyor: “dava – 2.udf”…"},
      {"💡 ipucu  ⚖️", "ipucu"},
  };
  for (const auto& [text, said] : cases) EXPECT_EQ(WindowTexts::spoken(text), said) << text;
}

TEST(WindowTextsTest, TheBadgeIsGreenOnlyForATrustedSigner) {
  struct Row {
    ChainTrust chain;
    StatusColour colour;
    const char* starts;
  };
  for (const Row row : {Row{ChainTrust::trusted, StatusColour::success, "Güvenli elektronik imza"},
                        Row{ChainTrust::untrustedRoot, StatusColour::warning,
                            "İmzacının sertifikası doğrulanamadı: tanınmayan kök"},
                        Row{ChainTrust::issuerMissing, StatusColour::warning,
                            "İmzacının sertifikası doğrulanamadı: düzenleyen sertifika bulunamadı"}}) {
    SignatureInfo signature;
    signature.isSigned = true;
    signature.signerName = "AYŞE DEMİR";
    signature.chain = row.chain;
    Signer signer;
    signer.name = "AYŞE DEMİR";
    signer.chain = row.chain;
    signature.signers = {signer};
    const SignatureBadge badge = WindowTexts::signatureBadge(signature);
    EXPECT_EQ(badge.colour, row.colour) << row.starts;
    EXPECT_TRUE(badge.text.starts_with(row.starts)) << badge.text;
  }
}

}  // namespace maravel
