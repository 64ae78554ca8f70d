#include "Maravel/gtk/page_view.hpp"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string_view>
#include <utility>

#include "paper/page_painter.hpp"

namespace maravel {
namespace {

constexpr double kGap = 16;                      // pixels around and between the pages
constexpr double kPixelsPerPoint = 96.0 / 72.0;  // 100 %
constexpr double kMinPercent = 50;
constexpr double kMaxPercent = 400;
constexpr double kBadgeHeight = 34;
constexpr double kWheelStep = 64;
constexpr double kZoomSteps[] = {50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};

void fillBoxes(cairo_t* cr, const std::vector<drawing::Rect>& boxes) {
  for (const drawing::Rect& box : boxes) cairo_rectangle(cr, box.x, box.y, box.width, box.height);
  cairo_fill(cr);
}

// How far a start of a mark's text reaches, set by Pango in the mark's face
// as the painter sets it (unhinted, unrounded): where a match or a selection
// ends inside a mark the page holds without its glyphs.
double measureMark(const PaperText& mark, std::string_view prefix) {
  static PangoContext* const context = [] {
    PangoContext* made = pango_font_map_create_context(pango_cairo_font_map_get_default());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(made, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(made, FALSE);
    return made;
  }();
  if (prefix.empty() || !(mark.size > 0) || mark.size > drawing::PageCanvas::kMaxTextSize) return 0;
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, mark.family.c_str());
  pango_font_description_set_weight(font, mark.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(font, mark.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(font, mark.size * PANGO_SCALE);
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, prefix.data(), static_cast<int>(prefix.size()));
  int width = 0;
  pango_layout_get_size(layout, &width, nullptr);
  g_object_unref(layout);
  pango_font_description_free(font);
  return static_cast<double>(width) / PANGO_SCALE;
}

struct BadgeInk {
  double red, green, blue;
};

// The status colours of the window's style sheet, for its light or dark
// background (light text is drawn on a dark one).
BadgeInk badgeInk(GtkWidget* widget, StatusColour colour) {
  GdkRGBA text;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_style_context_get_color(gtk_widget_get_style_context(widget), &text);
  G_GNUC_END_IGNORE_DEPRECATIONS
  const bool dark = 0.2126 * text.red + 0.7152 * text.green + 0.0722 * text.blue > 0.5;
  const auto rgb = [](unsigned value) {
    return BadgeInk{((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0};
  };
  switch (colour) {
    case StatusColour::success:
      return rgb(dark ? 0x57E389 : 0x177034);
    case StatusColour::error:
      return rgb(dark ? 0xFF8A7A : 0xC01C28);
    case StatusColour::warning:
      return rgb(dark ? 0xFFA348 : 0x8F5300);
    case StatusColour::secondary:
      break;
  }
  return {text.red, text.green, text.blue};
}

}  // namespace

PageView::PageView()
    : grid_(gtk_grid_new()),
      area_(gtk_drawing_area_new()),
      vertical_(gtk_adjustment_new(0, 0, 1, 1, 1, 1)),
      horizontal_(gtk_adjustment_new(0, 0, 1, 1, 1, 1)) {
  g_object_ref_sink(vertical_);
  g_object_ref_sink(horizontal_);
  g_object_ref_sink(grid_);
  gtk_widget_set_hexpand(area_, TRUE);
  gtk_widget_set_vexpand(area_, TRUE);
  gtk_widget_set_focusable(area_, TRUE);
  gtk_widget_set_focus_on_click(area_, TRUE);
  gtk_accessible_update_property(GTK_ACCESSIBLE(area_), GTK_ACCESSIBLE_PROPERTY_LABEL, "Belgenin sayfaları",
                                 -1);
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), draw, this, nullptr);
  g_signal_connect(area_, "resize", G_CALLBACK(resized), this);
  gtk_grid_attach(GTK_GRID(grid_), area_, 0, 0, 1, 1);
  verticalBar_ = gtk_scrollbar_new(GTK_ORIENTATION_VERTICAL, vertical_);
  horizontalBar_ = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, horizontal_);
  gtk_grid_attach(GTK_GRID(grid_), verticalBar_, 1, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid_), horizontalBar_, 0, 1, 1, 1);
  g_signal_connect(vertical_, "value-changed", G_CALLBACK(scrolled), this);
  g_signal_connect(horizontal_, "value-changed", G_CALLBACK(scrolled), this);

  GtkEventController* scroll = gtk_event_controller_scroll_new(GTK_EVENT_CONTROLLER_SCROLL_BOTH_AXES);
  g_signal_connect(scroll, "scroll", G_CALLBACK(wheel), this);
  gtk_widget_add_controller(area_, scroll);
  GtkEventController* keys = gtk_event_controller_key_new();
  g_signal_connect(keys, "key-pressed", G_CALLBACK(keyPressed), this);
  gtk_widget_add_controller(area_, keys);
  GtkGesture* drag = gtk_gesture_drag_new();
  g_signal_connect(drag, "drag-begin", G_CALLBACK(dragBegun), this);
  g_signal_connect(drag, "drag-update", G_CALLBACK(dragMoved), this);
  gtk_widget_add_controller(area_, GTK_EVENT_CONTROLLER(drag));
}

PageView::~PageView() {
  g_signal_handlers_disconnect_by_data(vertical_, this);
  g_signal_handlers_disconnect_by_data(horizontal_, this);
  g_signal_handlers_disconnect_by_data(area_, this);
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), nullptr, nullptr, nullptr);
  g_object_unref(vertical_);
  g_object_unref(horizontal_);
  g_object_unref(grid_);
}

void PageView::show(std::shared_ptr<PagedDocument> pages, std::size_t fileBytes, std::string badge,
                    StatusColour badgeColour) {
  pages_ = std::move(pages);
  resources_ =
      pages_
          ? std::make_unique<drawing::CanvasResources>(drawing::CanvasResources::picturePixelsFor(fileBytes))
          : nullptr;
  badge_ = std::move(badge);
  badgeColour_ = badgeColour;
  allSelected_ = false;
  matches_.clear();
  currentMatch_.reset();
  anchor_.reset();
  focus_.reset();
  painted_ = false;
  updateAdjustments();
  gtk_adjustment_set_value(vertical_, 0);
  gtk_widget_queue_draw(area_);
  if (changed) changed();
}

void PageView::pagesAdded() {
  updateAdjustments();
  gtk_widget_queue_draw(area_);
  if (changed) changed();
}

double PageView::scale() const {
  if (!pages_ || pages_->pageCount() == 0) return kPixelsPerPoint;
  const PaperPage& page = pages_->page(0);
  const double width = gtk_widget_get_width(area_), height = gtk_widget_get_height(area_);
  double pixels = percent_ / 100 * kPixelsPerPoint;
  const double fitWidth = (width - 2 * kGap) / std::max(page.width, 1.0);
  if (fit_ == Fit::width) pixels = fitWidth;
  if (fit_ == Fit::page) pixels = std::min(fitWidth, (height - 2 * kGap) / std::max(page.height, 1.0));
  return std::clamp(pixels, kMinPercent / 100 * kPixelsPerPoint, kMaxPercent / 100 * kPixelsPerPoint);
}

int PageView::zoomPercent() const { return static_cast<int>(std::lround(scale() / kPixelsPerPoint * 100)); }

double PageView::pageStride() const {
  const double height = pages_ && pages_->pageCount() > 0 ? pages_->page(0).height : 842;
  return height * scale() + kGap;
}

double PageView::pageTop(std::size_t index) const {
  return kGap + (badge_.empty() ? 0 : kBadgeHeight) + static_cast<double>(index) * pageStride();
}

double PageView::pageLeft() const {
  const double width = pages_ && pages_->pageCount() > 0 ? pages_->page(0).width * scale() : 0;
  return std::max(kGap, (gtk_widget_get_width(area_) - width) / 2) - gtk_adjustment_get_value(horizontal_);
}

void PageView::updateAdjustments() {
  updating_ = true;
  const double height = gtk_widget_get_height(area_), width = gtk_widget_get_width(area_);
  const double total = pageTop(pageCount());
  gtk_adjustment_configure(
      vertical_, std::clamp(gtk_adjustment_get_value(vertical_), 0.0, std::max(0.0, total - height)), 0,
      std::max(total, height), kWheelStep, height * 0.9, height);
  const double pageWidth = pages_ && pages_->pageCount() > 0 ? pages_->page(0).width * scale() + 2 * kGap : 0;
  const double across = std::max(pageWidth, width);
  gtk_adjustment_configure(horizontal_,
                           std::clamp(gtk_adjustment_get_value(horizontal_), 0.0, across - width), 0, across,
                           kWheelStep, width * 0.9, width);
  // A bar only where there is something to scroll to. The vertical one
  // keeps its room, so that showing it never changes the zoom of a fit.
  gtk_widget_set_opacity(verticalBar_, total > height ? 1 : 0);
  gtk_widget_set_visible(horizontalBar_, fit_ != Fit::width && across > width + 1);
  updating_ = false;
}

void PageView::scrollTo(double y) {
  const double most = gtk_adjustment_get_upper(vertical_) - gtk_adjustment_get_page_size(vertical_);
  gtk_adjustment_set_value(vertical_, std::clamp(y, 0.0, std::max(0.0, most)));
}

std::size_t PageView::currentPage() const {
  const std::size_t count = pageCount();
  if (count == 0) return 0;
  const double y = gtk_adjustment_get_value(vertical_) + gtk_widget_get_height(area_) * 0.3 - pageTop(0);
  const double index = std::floor(y / pageStride());
  return static_cast<std::size_t>(std::clamp(index, 0.0, static_cast<double>(count - 1)));
}

void PageView::goToPage(std::size_t index) {
  if (pageCount() == 0) return;
  scrollTo(pageTop(std::min(index, pageCount() - 1)) - kGap);
}

void PageView::setFit(Fit fit) {
  const std::size_t page = currentPage();
  const double within = (gtk_adjustment_get_value(vertical_) - pageTop(page)) / pageStride();
  fit_ = fit;
  updateAdjustments();
  scrollTo(pageTop(page) + within * pageStride());
  gtk_widget_queue_draw(area_);
  if (changed) changed();
}

void PageView::setZoomPercent(double percent) {
  percent_ = std::clamp(percent, kMinPercent, kMaxPercent);
  setFit(Fit::none);
}

void PageView::zoomIn() {
  const double now = zoomPercent();
  const auto* next = std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), now + 0.5);
  setZoomPercent(next == std::end(kZoomSteps) ? kMaxPercent : *next);
}

void PageView::zoomOut() {
  const double now = zoomPercent();
  const auto* next = std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), now - 0.5);
  setZoomPercent(next == std::begin(kZoomSteps) ? kMinPercent : *std::prev(next));
}

void PageView::setMatches(std::vector<PageMatch> matches, std::optional<std::size_t> current) {
  matches_ = std::move(matches);
  currentMatch_ = current && *current < matches_.size() ? current : std::nullopt;
  currentPainted_ = false;
  if (currentMatch_) {
    const PageMatch& match = matches_[*currentMatch_];
    const std::vector<drawing::Rect> boxes =
        pages_->text(match.page).boxes(match.range.from, match.range.to, measureMark);
    const double y = pageTop(match.page) + (boxes.empty() ? 0 : boxes.front().y * scale());
    const double top = gtk_adjustment_get_value(vertical_), height = gtk_widget_get_height(area_);
    if (y < top + kGap || y > top + height - 3 * kGap) scrollTo(y - height / 3);
  }
  gtk_widget_queue_draw(area_);
}

std::optional<PageView::Spot> PageView::spotAt(double x, double y) const {
  if (pageCount() == 0) return std::nullopt;
  const double along = y + gtk_adjustment_get_value(vertical_) - pageTop(0);
  const double index =
      std::clamp(std::floor(along / pageStride()), 0.0, static_cast<double>(pageCount() - 1));
  const auto page = static_cast<std::size_t>(index);
  const double s = scale();
  const drawing::Point point{(x - pageLeft()) / s,
                             (y + gtk_adjustment_get_value(vertical_) - pageTop(page)) / s};
  return Spot{page, pages_->text(page).offsetAt(point, measureMark)};
}

std::string PageView::selectedText() const {
  if (!anchor_ || !focus_ || !pages_) return {};
  auto [from, to] = std::minmax(*anchor_, *focus_, [](const Spot& a, const Spot& b) {
    return std::pair(a.page, a.offset) < std::pair(b.page, b.offset);
  });
  std::string text;
  for (std::size_t page = from.page; page <= to.page; ++page) {
    const std::string& all = pages_->text(page).text();
    const std::size_t start = page == from.page ? from.offset : 0;
    const std::size_t end = page == to.page ? to.offset : all.size();
    if (start < end) text += all.substr(start, end - start);
  }
  return text;
}

void PageView::selectAll() {
  if (pageCount() == 0) return;
  anchor_ = Spot{0, 0};
  focus_ = Spot{pageCount() - 1, pages_->text(pageCount() - 1).text().size()};
  allSelected_ = true;
  gtk_widget_queue_draw(area_);
}

void PageView::draw(GtkDrawingArea*, cairo_t* cr, int width, int height, gpointer self) {
  auto* view = static_cast<PageView*>(self);
  if (!view->pages_ || view->pageCount() == 0) return;
  const double top = gtk_adjustment_get_value(view->vertical_);
  const double left = view->pageLeft();
  if (!view->badge_.empty() && top < view->pageTop(0)) {
    const BadgeInk ink = badgeInk(view->area_, view->badgeColour_);
    cairo_set_source_rgb(cr, ink.red, ink.green, ink.blue);
    cairo_select_font_face(cr, "sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 13);
    cairo_move_to(cr, left, kGap + 16 - top);
    cairo_show_text(cr, view->badge_.c_str());
  }
  const double stride = view->pageStride();
  const double first = std::max(0.0, std::floor((top - view->pageTop(0)) / stride));
  for (auto index = static_cast<std::size_t>(first); index < view->pageCount(); ++index) {
    const double y = view->pageTop(index) - top;
    if (y > height) break;
    view->drawPage(cr, index, left, y);
  }
  (void)width;
  if (!view->painted_) {
    view->painted_ = true;
    if (view->firstPagePainted) view->firstPagePainted();
  }
}

void PageView::drawPage(cairo_t* cr, std::size_t index, double x, double y) {
  const PaperPage& page = pages_->page(index);
  const double s = scale();
  cairo_save(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
  cairo_rectangle(cr, x - 1, y - 1, page.width * s + 2, page.height * s + 3);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);  // paper stays white in a dark theme
  cairo_rectangle(cr, x, y, page.width * s, page.height * s);
  cairo_fill_preserve(cr);
  cairo_clip(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, s, s);
  {
    drawing::PageCanvas canvas(cr, *resources_);
    PagePainter::paint(page, canvas);
  }
  drawMarks(cr, index);
  cairo_restore(cr);
}

void PageView::drawMarks(cairo_t* cr, std::size_t index) {
  const auto first =
      std::lower_bound(matches_.begin(), matches_.end(), index,
                       [](const PageMatch& match, std::size_t page) { return match.page < page; });
  for (auto match = first; match != matches_.end() && match->page == index; ++match) {
    const bool current = currentMatch_ && &matches_[*currentMatch_] == &*match;
    if (current) {
      if (!currentPainted_ && currentMatchPainted) currentMatchPainted(index);
      currentPainted_ = true;
      cairo_set_source_rgba(cr, 1.0, 0.55, 0.0, 0.55);
    } else {
      cairo_set_source_rgba(cr, 1.0, 0.85, 0.0, 0.45);
    }
    fillBoxes(cr, pages_->text(index).boxes(match->range.from, match->range.to, measureMark));
  }
  if (!anchor_ || !focus_) return;
  auto [from, to] = std::minmax(*anchor_, *focus_, [](const Spot& a, const Spot& b) {
    return std::pair(a.page, a.offset) < std::pair(b.page, b.offset);
  });
  if (index < from.page || index > to.page) return;
  const PageText& text = pages_->text(index);
  const std::size_t start = index == from.page ? from.offset : 0;
  const std::size_t end = index == to.page ? to.offset : text.text().size();
  cairo_set_source_rgba(cr, 0.21, 0.52, 0.89, 0.35);
  fillBoxes(cr, text.boxes(start, end, measureMark));
}

void PageView::resized(GtkDrawingArea*, int, int, gpointer self) {
  auto* view = static_cast<PageView*>(self);
  view->updateAdjustments();
  if (view->changed) view->changed();
}

void PageView::scrolled(GtkAdjustment*, gpointer self) {
  auto* view = static_cast<PageView*>(self);
  if (view->updating_) return;
  gtk_widget_queue_draw(view->area_);
  if (view->changed) view->changed();
}

gboolean PageView::wheel(GtkEventControllerScroll* controller, double dx, double dy, gpointer self) {
  auto* view = static_cast<PageView*>(self);
  const GdkModifierType state =
      gtk_event_controller_get_current_event_state(GTK_EVENT_CONTROLLER(controller));
  if ((state & GDK_CONTROL_MASK) != 0) {
    if (dy < 0) view->zoomIn();
    if (dy > 0) view->zoomOut();
    return TRUE;
  }
  const double unit =
      gtk_event_controller_scroll_get_unit(controller) == GDK_SCROLL_UNIT_WHEEL ? kWheelStep : 1;
  view->scrollTo(gtk_adjustment_get_value(view->vertical_) + dy * unit);
  gtk_adjustment_set_value(view->horizontal_, gtk_adjustment_get_value(view->horizontal_) + dx * unit);
  return TRUE;
}

gboolean PageView::keyPressed(GtkEventControllerKey*, guint key, guint, GdkModifierType state,
                              gpointer self) {
  return static_cast<PageView*>(self)->pageKey(key, state);
}

bool PageView::pageKey(guint key, GdkModifierType state) {
  const double at = gtk_adjustment_get_value(vertical_);
  const double screen = gtk_adjustment_get_page_increment(vertical_);
  const bool shift = (state & GDK_SHIFT_MASK) != 0;
  switch (key) {
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
      scrollTo(at + screen);
      return true;
    case GDK_KEY_space:
      scrollTo(shift ? at - screen : at + screen);
      return true;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
      scrollTo(at - screen);
      return true;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
      scrollTo(at + kWheelStep);
      return true;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
      scrollTo(at - kWheelStep);
      return true;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
      goToPage(0);
      return true;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
      scrollTo(gtk_adjustment_get_upper(vertical_));
      return true;
    case GDK_KEY_Left:
    case GDK_KEY_Right: {
      const double step = key == GDK_KEY_Left ? -kWheelStep : kWheelStep;
      gtk_adjustment_set_value(horizontal_, gtk_adjustment_get_value(horizontal_) + step);
      return true;
    }
    default:
      return false;
  }
}

void PageView::dragBegun(GtkGestureDrag*, double x, double y, gpointer self) {
  auto* view = static_cast<PageView*>(self);
  gtk_widget_grab_focus(view->area_);
  view->dragStartX_ = x;
  view->dragStartY_ = y;
  view->allSelected_ = false;
  view->anchor_ = view->spotAt(x, y);
  view->focus_ = view->anchor_;
  gtk_widget_queue_draw(view->area_);
}

void PageView::dragMoved(GtkGestureDrag*, double dx, double dy, gpointer self) {
  auto* view = static_cast<PageView*>(self);
  view->focus_ = view->spotAt(view->dragStartX_ + dx, view->dragStartY_ + dy);
  gtk_widget_queue_draw(view->area_);
}

}  // namespace maravel
