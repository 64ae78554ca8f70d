// The system print dialog for a PrintJob: a GtkPrintOperation whose page
// setup is the document's paper and orientation (changeable in the
// dialog), working in points on the whole sheet, each page drawn through
// the job. Printed to a file, the file is named after the document. The
// dialog's preview writes the pages as a PDF file in the user's runtime
// folder and opens it in the desktop's PDF viewer, or says that there is
// none.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>

#include "paper/print_job.hpp"

namespace maravel {

class PrintOperation {
 public:
  // Shows the print dialog on `parent` and returns without waiting for it;
  // `failed` runs once if printing fails, not when the user cancels.
  static void run(GtkWindow* parent, std::shared_ptr<PrintJob> job, std::function<void()> failed);

 private:
  // A new operation for `job`, which it keeps alive as long as it lives;
  // the caller owns the returned reference.
  static GtkPrintOperation* create(std::shared_ptr<PrintJob> job);
  static void drawPage(GtkPrintOperation* operation, GtkPrintContext* context, int page, gpointer);
  static void done(GtkPrintOperation* operation, GtkPrintOperationResult result, gpointer report);
  static gboolean preview(GtkPrintOperation* operation, GtkPrintOperationPreview* preview, GtkPrintContext*,
                          GtkWindow* parent, gpointer);
};

}  // namespace maravel
