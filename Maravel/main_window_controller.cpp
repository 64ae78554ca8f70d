#include "Maravel/main_window_controller.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "Maravel/document_load.hpp"
#include "Maravel/open_failure.hpp"
#include "Maravel/open_requests.hpp"
#include "docx/docx_writer.hpp"
#include "html/html_renderer.hpp"
#include "paper/pdf_writer.hpp"
#include "platform/net/http_fetch.hpp"
#include "platform/quicklook/file_contents.hpp"
#include "reader/udf_parser.hpp"
#include "tools/plain_text_writer.hpp"

namespace maravel {
namespace {

// A saved PDF or Word copy is an ordinary document file: readable by others, as the
// desktop's own applications leave their files.
constexpr mode_t kSavedMode = 0644;

DocumentOnScreen onScreen(const std::shared_ptr<const UDFDocument>& document, const std::string& fileName,
                          std::size_t fileBytes) {
  DocumentOnScreen shown;
  shown.document = document;
  shown.fileName = fileName;
  shown.fileBytes = fileBytes;
  shown.badge = WindowTexts::signatureBadge(document->signature);
  shown.page = [document, fileName, fileBytes] {
    try {
      return UDFHTMLRenderer::renderHTML(*document, fileName, UDFHTMLRenderer::pageBudget(fileBytes));
    } catch (...) {
      return std::string();  // out of memory: an empty page
    }
  };
  shown.text = [document] {
    try {
      return PlainTextWriter::write(*document);
    } catch (...) {
      return std::string();
    }
  };
  return shown;
}

}  // namespace

const std::vector<std::string>& MainWindowController::extensionIDs() {
  static const std::vector<std::string> ids = {"com.orvelin.Maravel.Pelsora", "com.orvelin.Maravel.Tivenna"};
  return ids;
}

std::shared_ptr<MainWindowController> MainWindowController::create(std::unique_ptr<WindowSurface> surface,
                                                                   HostInstallation installation,
                                                                   ToolRunner runner) {
  std::shared_ptr<MainWindowController> controller(
      new MainWindowController(std::move(surface), std::move(installation), std::move(runner)));
  controller->setupUI();
  return controller;
}

MainWindowController::MainWindowController(std::unique_ptr<WindowSurface> surface,
                                           HostInstallation installation, ToolRunner runner)
    : surface_(std::move(surface)), installation_(std::move(installation)), runner_(std::move(runner)) {}

void MainWindowController::setupUI() {
  const std::weak_ptr<MainWindowController> weak = weak_from_this();
  WindowActions actions;
  actions.refresh = [weak] {
    if (const auto controller = weak.lock()) controller->refreshQuickLook();
  };
  actions.fileDropped = [weak](const std::string& path) {
    if (const auto controller = weak.lock()) controller->openFile(path);
  };
  actions.open = [weak] {
    if (const auto controller = weak.lock()) controller->chooseFileToOpen();
  };
  actions.print = [weak] {
    if (const auto controller = weak.lock()) controller->printDocument();
  };
  actions.saveAsPDF = [weak] {
    if (const auto controller = weak.lock()) controller->saveAs(SaveFormat::pdf);
  };
  actions.saveAsDocx = [weak] {
    if (const auto controller = weak.lock()) controller->saveAs(SaveFormat::docx);
  };
  actions.reload = [weak] {
    if (const auto controller = weak.lock()) controller->reload();
  };
  actions.checkSignaturesOnline = [weak] {
    if (const auto controller = weak.lock()) controller->checkSignaturesOnline();
  };
  surface_->buildViews(std::move(actions));
  surface_->setTitle(WindowTexts::windowTitle({}));
  surface_->enableDocumentActions(false);
  surface_->showStatus(StatusMessage::checking());
  surface_->showPage(std::string(WindowTexts::welcomePage()));
}

void MainWindowController::openFile(const std::string& path) {
  if (OpenRequests::hasUDFName(path)) {
    loadUDF(path);
  } else {
    surface_->showStatus(StatusMessage::notUDF(quicklook::lastPathComponent(path)));
  }
}

void MainWindowController::loadUDF(const std::string& path) {
  const std::string fileName = quicklook::lastPathComponent(path);
  const std::uint64_t asked = ++opening_;
  asked_ = path;
  shown_.reset();
  surface_->enableDocumentActions(false);
  surface_->setTitle(WindowTexts::windowTitle(fileName));
  surface_->showStatus(StatusMessage::opening(fileName));
  surface_->showLoading(fileName);
  auto loaded = std::make_shared<LoadedDocument>();
  auto work = [loaded, path] {
    *loaded = DocumentLoad::load(path);
    return loaded->document != nullptr;
  };
  auto done = [weak = weak_from_this(), loaded, path, fileName, asked](bool) {
    const auto controller = weak.lock();
    if (!controller || asked != controller->opening_) return;  // another file was asked for since
    controller->show(loaded->document, loaded->fileBytes, loaded->failure, path, fileName);
  };
  surface_->runInBackground(std::move(work), std::move(done));
}

void MainWindowController::show(const std::shared_ptr<const UDFDocument>& document, std::size_t fileBytes,
                                const OpenFailure& failure, const std::string& path,
                                const std::string& fileName) {
  if (!document) {
    surface_->showFailure(failure.heading(), failure.explanation(fileName));
    surface_->setTitle(WindowTexts::windowTitle({}));
    surface_->showStatus(StatusMessage::unreadable(fileName));
    return;
  }
  surface_->showDocument(onScreen(document, fileName, fileBytes));
  surface_->showStatus(StatusMessage::previewing(fileName));
  shown_ = ShownDocument{document, path, fileName, fileBytes};
  surface_->addRecent(path);
  surface_->enableDocumentActions(true);
}

void MainWindowController::reload() {
  if (!asked_.empty()) loadUDF(asked_);
}

void MainWindowController::checkSignaturesOnline() {
  if (!shown_ || !shown_->document->signature.isSigned) return;
  auto checked = std::make_shared<std::optional<SignatureInfo>>();
  surface_->runInBackground(
      [path = shown_->path, checked] {
        const auto data = quicklook::readFileContents(path, quicklook::kMaxDocumentBytes);
        const crypto::OnlineAccess access = net::onlineAccess();
        if (data) *checked = UDFParser::signature(*data, crypto::TrustPlaces::standard(), &access);
        return checked->has_value();
      },
      [weak = weak_from_this(), shown = shown_->document, checked](bool found) {
        const auto controller = weak.lock();
        if (!controller || !found || !controller->shown_ || controller->shown_->document != shown) return;
        ShownDocument& now = *controller->shown_;
        auto document = std::make_shared<UDFDocument>(*now.document);
        document->signature = std::move(**checked);
        now.document = document;
        controller->surface_->showDocument(onScreen(document, now.fileName, now.fileBytes));
      });
}

void MainWindowController::chooseFileToOpen() {
  const std::string folder =
      shown_ ? std::filesystem::path(shown_->path).parent_path().string() : std::string();
  surface_->chooseUDFPath(folder, [weak = weak_from_this()](const std::string& path) {
    if (const auto controller = weak.lock()) controller->openFile(path);
  });
}

void MainWindowController::printDocument() {
  if (!shown_) return;
  std::shared_ptr<PrintJob> job;
  try {
    job = std::make_shared<PrintJob>(shown_->document, shown_->fileName, shown_->fileBytes);
  } catch (...) {
    // Out of memory while laying the pages out.
    surface_->showStatus(StatusMessage::printFailed(shown_->fileName));
    return;
  }
  surface_->showPrintDialog(std::move(job), [weak = weak_from_this(), name = shown_->fileName] {
    if (const auto controller = weak.lock())
      controller->surface_->showStatus(StatusMessage::printFailed(name));
  });
}

void MainWindowController::saveAs(SaveFormat format) {
  if (!shown_) return;
  // The document shown now is saved, whatever is shown when the dialog closes.
  surface_->chooseSavePath(SaveRequest::forDocument(shown_->path, format),
                           [weak = weak_from_this(), shown = *shown_, format](const std::string& path) {
                             if (const auto controller = weak.lock()) controller->write(shown, format, path);
                           });
}

void MainWindowController::write(const ShownDocument& shown, SaveFormat format, const std::string& path) {
  auto work = [document = shown.document, title = shown.fileName, fileBytes = shown.fileBytes, format, path] {
    try {
      std::vector<std::uint8_t> bytes;
      const auto sink = [&bytes](std::span<const std::uint8_t> piece) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        return true;
      };
      const bool made = format == SaveFormat::docx ? DocxWriter::write(*document, title, sink)
                                                   : PdfWriter::write(*document, title, sink, fileBytes);
      return made && !quicklook::writeFileAtomically(path, bytes, kSavedMode);
    } catch (...) {
      return false;  // out of memory while laying out or drawing
    }
  };
  auto done = [weak = weak_from_this(), format, name = quicklook::lastPathComponent(path)](bool written) {
    if (const auto controller = weak.lock()) {
      const bool docx = format == SaveFormat::docx;
      controller->surface_->showStatus(
          written ? (docx ? StatusMessage::docxSaved(name) : StatusMessage::pdfSaved(name))
                  : (docx ? StatusMessage::docxNotSaved(name) : StatusMessage::pdfNotSaved(name)));
    }
  };
  surface_->runInBackground(std::move(work), std::move(done));
}

void MainWindowController::checkInstallation() {
  if (installation_.isSystemWide()) {
    checkSystemWide();
  } else if (installation_.isInstalled()) {
    activateExtensions();
  } else {
    showNotInstalledAlert();
  }
}

void MainWindowController::activateExtensions() {
  auto work = [plugins = installation_.pluginsPath(), tools = installation_.tools(), runner = runner_] {
    return ExtensionActivation::registerAndCheck(plugins, extensionIDs(), tools, runner);
  };
  auto done = [weak = weak_from_this()](bool enabled) {
    const auto controller = weak.lock();
    if (!controller) return;
    controller->surface_->showStatus(enabled ? StatusMessage::extensionsActive()
                                             : StatusMessage::extensionsOff());
  };
  surface_->runInBackground(std::move(work), std::move(done));
}

void MainWindowController::checkSystemWide() {
  auto work = [data = installation_.dataPath()] { return ExtensionActivation::checkSystemWide(data); };
  auto done = [weak = weak_from_this()](bool enabled) {
    if (const auto controller = weak.lock()) {
      controller->surface_->showStatus(enabled ? StatusMessage::extensionsActive()
                                               : StatusMessage::extensionsOff());
    }
  };
  surface_->runInBackground(std::move(work), std::move(done));
}

void MainWindowController::showNotInstalledAlert() {
  surface_->showStatus(StatusMessage::notInstalled());
  if (!surface_->hasWindow()) return;
  surface_->showAlert(WindowTexts::notInstalledAlert(), [weak = weak_from_this()] {
    if (const auto controller = weak.lock()) controller->surface_->quit();
  });
}

void MainWindowController::refreshQuickLook() {
  ExtensionActivation::refresh(installation_.tools(), runner_);
  surface_->showStatus(StatusMessage::cacheRefreshed());
}

}  // namespace maravel
