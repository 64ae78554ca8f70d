// x_screenshot: saves the X screen as a PNG, for the window tests under Xvfb.
//
//   x_screenshot OUT.png [--until X,Y,RRGGBB] [--timeout SECONDS]
//
// With --until it takes a picture every quarter second until the pixel at
// (X, Y) has the colour RRGGBB (each channel within 3), and saves the first
// that does; exit status 1 when none did before the timeout (default 60 s;
// the last picture is saved all the same), 2 for wrong arguments or no
// display.
#include <X11/Xlib.h>
#include <cairo-xlib.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

struct Probe {
  int x = 0;
  int y = 0;
  unsigned colour = 0;
};

// "X,Y,RRGGBB".
std::optional<Probe> parseProbe(std::string_view text) {
  Probe probe;
  const char* end = text.data() + text.size();
  auto [afterX, xError] = std::from_chars(text.data(), end, probe.x);
  if (xError != std::errc() || afterX == end || *afterX != ',') return std::nullopt;
  auto [afterY, yError] = std::from_chars(afterX + 1, end, probe.y);
  if (yError != std::errc() || afterY == end || *afterY != ',') return std::nullopt;
  auto [afterColour, colourError] = std::from_chars(afterY + 1, end, probe.colour, 16);
  if (colourError != std::errc() || afterColour != end) return std::nullopt;
  return probe;
}

cairo_surface_t* capture(Display* display) {
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes;
  XGetWindowAttributes(display, root, &attributes);
  cairo_surface_t* screen =
      cairo_xlib_surface_create(display, root, attributes.visual, attributes.width, attributes.height);
  cairo_surface_t* image =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, attributes.width, attributes.height);
  cairo_t* cr = cairo_create(image);
  cairo_set_source_surface(cr, screen, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(screen);
  cairo_surface_flush(image);
  return image;
}

bool matches(cairo_surface_t* image, const Probe& probe) {
  if (probe.x < 0 || probe.y < 0 || probe.x >= cairo_image_surface_get_width(image) ||
      probe.y >= cairo_image_surface_get_height(image)) {
    return false;
  }
  const unsigned char* row =
      cairo_image_surface_get_data(image) + probe.y * cairo_image_surface_get_stride(image);
  const unsigned pixel = reinterpret_cast<const std::uint32_t*>(row)[probe.x];
  for (int shift = 0; shift <= 16; shift += 8) {
    const int got = static_cast<int>((pixel >> shift) & 0xFF);
    const int want = static_cast<int>((probe.colour >> shift) & 0xFF);
    if (std::abs(got - want) > 3) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::optional<Probe> probe;
  double timeout = 60;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--until") {
      probe = parseProbe(argv[i + 1]);
      if (!probe) return 2;
    } else if (option == "--timeout") {
      const std::string_view value = argv[i + 1];
      if (std::from_chars(value.data(), value.data() + value.size(), timeout).ec != std::errc()) return 2;
    } else {
      return 2;
    }
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 2;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
  cairo_surface_t* image = capture(display);
  while (probe && !matches(image, *probe) && std::chrono::steady_clock::now() < deadline) {
    cairo_surface_destroy(image);
    ::usleep(250000);
    image = capture(display);
  }
  const bool found = !probe || matches(image, *probe);
  const bool saved = cairo_surface_write_to_png(image, argv[1]) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(image);
  XCloseDisplay(display);
  return saved && found ? 0 : (saved ? 1 : 2);
}
