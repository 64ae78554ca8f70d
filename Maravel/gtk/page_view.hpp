// The page view: the document as the pages that print and udf2pdf make,
// drawn with cairo by the same painter, on white paper in light and dark
// themes alike, one under the other with a gap, centred.
//
// Only the pages in sight are drawn, each time they are; pages arrive from
// the layout thread as they are made (pagesAdded()), so the first page is
// on screen while the others are being laid out. The scroll bars are the
// view's own: the whole column of a thousand pages is never one widget.
//
// Zoom: fit width (at first), fit page, or 50 to 400 % (100 % is the paper's
// own size at 96 dpi); a fit never makes text smaller than 50 %. Keys on the
// view: Page Up/Down and Space, arrows, Home/End (first and last page);
// Ctrl+wheel zooms. Matches of a find are painted yellow, the current one
// orange; a drag selects text on a page, painted blue.
#pragma once

#include <gtk/gtk.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Maravel/paged_document.hpp"
#include "Maravel/status_message.hpp"
#include "platform/drawing/page_canvas.hpp"

namespace maravel {

class PageView {
 public:
  enum class Fit { width, page, none };

  PageView();
  ~PageView();
  PageView(const PageView&) = delete;
  PageView& operator=(const PageView&) = delete;

  // The view with its scroll bars; owned by the widget tree it is added to.
  GtkWidget* widget() const { return grid_; }
  // The part that takes the keyboard focus.
  GtkWidget* canvas() const { return area_; }

  // Shows `pages` (more may come: pagesAdded()) from its first page, with
  // pictures bounded as for a file of `fileBytes`; `badge`, when not empty,
  // is drawn above the first page in the colour of its outcome. Null: an
  // empty view.
  void show(std::shared_ptr<PagedDocument> pages, std::size_t fileBytes, std::string badge,
            StatusColour badgeColour);
  void pagesAdded();

  std::size_t pageCount() const { return pages_ ? pages_->pageCount() : 0; }
  // The page at the top of the view, from 0.
  std::size_t currentPage() const;
  void goToPage(std::size_t index);

  // Scrolls as the page keys do when `key` is one (Page Up/Down, Space,
  // arrows, Home/End); false for any other key.
  bool pageKey(guint key, GdkModifierType state);

  void zoomIn();
  void zoomOut();
  void setFit(Fit fit);
  void setZoomPercent(double percent);
  Fit fit() const { return fit_; }
  int zoomPercent() const;

  // The matches to paint, in page order, `current` among them scrolled into
  // sight (none: nothing scrolled).
  void setMatches(std::vector<PageMatch> matches, std::optional<std::size_t> current);
  // The text selected with the mouse ("" when none).
  std::string selectedText() const;
  // Selects every page's text; a click or drag ends it.
  void selectAll();
  bool allSelected() const { return allSelected_; }

  // The page in sight or the zoom changed.
  std::function<void()> changed;
  // The first time a page of a document was drawn.
  std::function<void()> firstPagePainted;
  // The first time the current match of setMatches() was drawn, with its
  // page (from 0).
  std::function<void(std::size_t page)> currentMatchPainted;

 private:
  struct Spot {
    std::size_t page = 0;
    std::size_t offset = 0;
  };
  static void draw(GtkDrawingArea*, cairo_t* cr, int width, int height, gpointer self);
  static void resized(GtkDrawingArea*, int, int, gpointer self);
  static void scrolled(GtkAdjustment*, gpointer self);
  static gboolean wheel(GtkEventControllerScroll* controller, double dx, double dy, gpointer self);
  static gboolean keyPressed(GtkEventControllerKey*, guint key, guint, GdkModifierType state, gpointer self);
  static void dragBegun(GtkGestureDrag* gesture, double x, double y, gpointer self);
  static void dragMoved(GtkGestureDrag* gesture, double dx, double dy, gpointer self);

  double scale() const;  // pixels per point
  double pageStride() const;
  double pageTop(std::size_t index) const;
  double pageLeft() const;
  void updateAdjustments();
  void scrollTo(double y);
  void drawPage(cairo_t* cr, std::size_t index, double x, double y);
  void drawMarks(cairo_t* cr, std::size_t index);
  std::optional<Spot> spotAt(double x, double y) const;

  GtkWidget* grid_;
  GtkWidget* area_;
  GtkAdjustment* vertical_;
  GtkAdjustment* horizontal_;
  GtkWidget* verticalBar_;
  GtkWidget* horizontalBar_;
  std::shared_ptr<PagedDocument> pages_;
  std::unique_ptr<drawing::CanvasResources> resources_;
  std::string badge_;
  StatusColour badgeColour_ = StatusColour::secondary;
  bool allSelected_ = false;
  Fit fit_ = Fit::width;
  double percent_ = 100;
  std::vector<PageMatch> matches_;
  std::optional<std::size_t> currentMatch_;
  std::optional<Spot> anchor_, focus_;
  double dragStartX_ = 0, dragStartY_ = 0;
  bool painted_ = false;
  bool currentPainted_ = false;
  bool updating_ = false;
};

}  // namespace maravel
