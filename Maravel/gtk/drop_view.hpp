// The drop zone: a rounded frame with a hint that takes one .udf file
// dragged from a file manager. While a file is over it, it shows the copy
// action and a blue border on a faint blue background; on leave and on drop
// it returns to its resting look (separator border, no background).
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace maravel {

class DropView {
 public:
  DropView();
  DropView(const DropView&) = delete;
  DropView& operator=(const DropView&) = delete;

  // The frame; owned by the widget tree it is added to.
  GtkWidget* widget() const { return frame_; }

  // Called with the path of an accepted file.
  std::function<void(const std::string& path)> onFileDropped;

 private:
  static GdkDragAction draggingEntered(GtkDropTarget*, double, double, gpointer self);
  static void draggingExited(GtkDropTarget*, gpointer self);
  static gboolean performDragOperation(GtkDropTarget*, const GValue* value, double, double, gpointer self);

  void setHighlighted(bool highlighted);

  GtkWidget* frame_;
};

}  // namespace maravel
