// A WindowSurface without a display for the host window's tests: it records
// what the controller shows and runs background work at once, on the calling
// thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Maravel/window_surface.hpp"

namespace maravel::testing {

struct SurfaceLog {
  bool built = false;
  std::vector<std::string> titles;
  std::vector<StatusMessage> statuses;
  std::vector<std::string> pages;
  std::vector<std::string> loading;
  std::vector<DocumentOnScreen> documents;
  std::vector<std::string> failures;  // "heading: explanation"
  std::string watched;
  std::function<void()> fileChanged;
  std::vector<std::string> recent;
  std::optional<AlertText> alert;
  std::function<void()> alertClosed;
  WindowActions actions;
  int backgroundRuns = 0;
  bool quit = false;
  std::vector<bool> documentActions;  // every enableDocumentActions call
  std::shared_ptr<PrintJob> printJob;
  std::function<void()> printFailed;
  std::optional<SaveRequest> saveRequest;
  std::function<void(const std::string&)> saveChosen;
  std::optional<std::string> openFolder;
  std::function<void(const std::string&)> openChosen;

  // The text a status line shows now (empty before its first message).
  std::string line(StatusLine line) const {
    for (auto status = statuses.rbegin(); status != statuses.rend(); ++status) {
      if (status->line == line) return status->text;
    }
    return {};
  }
};

class RecordingSurface final : public WindowSurface {
 public:
  // The log outlives the surface, which the controller owns.
  RecordingSurface(SurfaceLog& log, bool hasWindow = true) : log_(log), hasWindow_(hasWindow) {}

  void buildViews(WindowActions actions) override {
    log_.built = true;
    log_.actions = std::move(actions);
  }
  bool hasWindow() const override { return hasWindow_; }
  void setTitle(const std::string& title) override { log_.titles.push_back(title); }
  void showStatus(const StatusMessage& status) override { log_.statuses.push_back(status); }
  void showPage(const std::string& html) override { log_.pages.push_back(html); }
  void showLoading(const std::string& fileName) override { log_.loading.push_back(fileName); }
  void showDocument(DocumentOnScreen document) override {
    log_.pages.push_back(document.page());
    log_.documents.push_back(std::move(document));
  }
  void showFailure(const std::string& heading, const std::string& explanation) override {
    log_.failures.push_back(heading + ": " + explanation);
  }
  void showAlert(const AlertText& alert, std::function<void()> closed) override {
    log_.alert = alert;
    log_.alertClosed = std::move(closed);
  }
  void quit() override { log_.quit = true; }
  void runInBackground(std::function<bool()> work, std::function<void(bool)> done) override {
    ++log_.backgroundRuns;
    done(work());
  }
  void watchFile(const std::string& path, std::function<void()> changed) override {
    log_.watched = path;
    log_.fileChanged = std::move(changed);
  }
  void addRecent(const std::string& path) override { log_.recent.push_back(path); }
  void enableDocumentActions(bool enabled) override { log_.documentActions.push_back(enabled); }
  void showPrintDialog(std::shared_ptr<PrintJob> job, std::function<void()> failed) override {
    log_.printJob = std::move(job);
    log_.printFailed = std::move(failed);
  }
  void chooseSavePath(const SaveRequest& request, std::function<void(const std::string&)> chosen) override {
    log_.saveRequest = request;
    log_.saveChosen = std::move(chosen);
  }
  void chooseUDFPath(const std::string& folder, std::function<void(const std::string&)> chosen) override {
    log_.openFolder = folder;
    log_.openChosen = std::move(chosen);
  }

 private:
  SurfaceLog& log_;
  bool hasWindow_;
};

}  // namespace maravel::testing
