#include "Maravel/main_window_controller.hpp"

#include <optional>
#include <utility>

#include "html/html_renderer.hpp"
#include "platform/quicklook/file_contents.hpp"
#include "reader/udf_parser.hpp"

namespace maravel {
namespace {

constexpr std::string_view kWelcomePage =
    "<html><body style=\"font-family: -apple-system; display: flex; flex-direction: column; align-items: "
    "center; justify-content: center; height: 80vh; color: #777;\">\n"
    "    <div style=\"font-size: 54px; margin-bottom: 12px;\">⚖️</div>\n"
    "    <h2 style=\"color: #333; margin-bottom: 8px;\">UDF Önizleme Motoru Hazır</h2>\n"
    "    <p style=\"font-size: 14px; max-width: 480px; text-align: center; line-height: 1.5;\">\n"
    "        Finder'da dilediğiniz <strong>.udf</strong> dosyasını seçip <strong>Boşluk (Space)</strong> "
    "tuşuna basarak anında okuyabilirsiniz. Yukarıdaki alana sürükleyerek de test edebilirsiniz.\n"
    "    </p>\n"
    "</body></html>";

// The page for the file, or nothing when it cannot be read or parsed.
std::optional<std::string> documentPage(const std::string& path, const std::string& fileName) {
  try {
    const std::optional<std::vector<std::uint8_t>> data = quicklook::readFileContents(path);
    if (!data) return std::nullopt;
    const std::optional<UDFDocument> doc = UDFParser::parse(*data);
    if (!doc) return std::nullopt;
    return UDFHTMLRenderer::renderHTML(*doc, fileName);
  } catch (...) {
    // Out of memory: the document cannot be shown, the window stays usable.
    return std::nullopt;
  }
}

}  // namespace

const std::vector<std::string>& MainWindowController::extensionIDs() {
  static const std::vector<std::string> ids = {"com.orvelin.Maravel.Pelsora", "com.orvelin.Maravel.Tivenna"};
  return ids;
}

std::string_view MainWindowController::welcomePage() { return kWelcomePage; }

AlertText MainWindowController::notInstalledAlert() {
  return {"Önce Uygulamalar klasörüne taşıyın",
          "Maravel'ın Finder'da çalışabilmesi için Uygulamalar klasöründe bulunması gerekir.\n\n"
          "Bu pencereyi kapatın, disk penceresindeki Maravel simgesini “Uygulamalar” klasörünün üzerine "
          "sürükleyin, ardından uygulamayı Uygulamalar klasöründen açın.",
          "Kapat"};
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
    if (const auto controller = weak.lock()) controller->loadUDF(path);
  };
  surface_->buildViews(std::move(actions));
  surface_->showStatus(StatusMessage::checking());
  surface_->showPage(std::string(kWelcomePage));
}

void MainWindowController::loadUDF(const std::string& path) {
  const std::string fileName = quicklook::lastPathComponent(path);
  const std::optional<std::string> page = documentPage(path, fileName);
  if (!page) {
    surface_->showStatus(StatusMessage::unreadable(fileName));
    return;
  }
  surface_->showPage(*page);
  surface_->showStatus(StatusMessage::previewing(fileName));
}

void MainWindowController::checkInstallation() {
  if (installation_.isInstalled()) {
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

void MainWindowController::showNotInstalledAlert() {
  surface_->showStatus(StatusMessage::notInstalled());
  if (!surface_->hasWindow()) return;
  surface_->showAlert(notInstalledAlert(), [weak = weak_from_this()] {
    if (const auto controller = weak.lock()) controller->surface_->quit();
  });
}

void MainWindowController::refreshQuickLook() {
  ExtensionActivation::refresh(installation_.tools(), runner_);
  surface_->showStatus(StatusMessage::cacheRefreshed());
}

}  // namespace maravel
