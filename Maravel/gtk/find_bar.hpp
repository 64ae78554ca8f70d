// The find bar under the header band: an entry, the count of matches, the
// previous and next buttons and a close button. Enter and the next button
// step forward, Shift+Enter and the previous button back; Escape in the
// entry closes it. Typing finds at once.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace maravel {

class FindBar {
 public:
  FindBar();
  FindBar(const FindBar&) = delete;
  FindBar& operator=(const FindBar&) = delete;

  // Owned by the widget tree it is added to.
  GtkWidget* widget() const { return revealer_; }

  // Shows the bar with the focus in the entry, its text selected.
  void open();
  void close();
  bool isOpen() const;
  std::string text() const;
  // Opens the bar with `text` in the entry, as if typed.
  void findText(const std::string& text);
  // "2 / 17", "Bulunamadı" or nothing; announced to screen readers.
  void showCount(const std::string& count);

  std::function<void(const std::string& text)> changed;
  std::function<void(bool forward)> step;
  std::function<void()> closed;

 private:
  static void searchChanged(GtkSearchEntry* entry, gpointer self);
  static void activated(GtkSearchEntry*, gpointer self);
  static void stopped(GtkSearchEntry*, gpointer self);
  static void nextClicked(GtkButton*, gpointer self);
  static void previousClicked(GtkButton*, gpointer self);
  static void closeClicked(GtkButton*, gpointer self);

  GtkWidget* revealer_;
  GtkWidget* entry_;
  GtkWidget* count_;
};

}  // namespace maravel
