// Drops of files anywhere on the window: a rounded frame with a hint shows
// where to drop, but the whole window takes the drop, the page included.
// While a file is over the window, the frame shows the copy action with a
// blue border on a faint blue background; on leave and on drop it returns to
// its resting look (separator border, no background).
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace maravel {

class DropView {
 public:
  // The frame, taking drops on `area` (the widget that holds everything the
  // window shows, the frame among it).
  explicit DropView(GtkWidget* area);
  DropView(const DropView&) = delete;
  DropView& operator=(const DropView&) = delete;

  // The frame; owned by the widget tree it is added to.
  GtkWidget* widget() const { return frame_; }

  // Called with the path of the first file dropped, whatever its name (its
  // URI when it has no local path); the drop counts as done when the name
  // is a .udf file's.
  std::function<void(const std::string& path)> onFileDropped;

 private:
  static GdkDragAction draggingEntered(GtkDropTarget*, double, double, gpointer self);
  static void draggingExited(GtkDropTarget*, gpointer self);
  static gboolean performDragOperation(GtkDropTarget*, const GValue* value, double, double, gpointer self);

  void setHighlighted(bool highlighted);

  GtkWidget* frame_;
};

}  // namespace maravel
