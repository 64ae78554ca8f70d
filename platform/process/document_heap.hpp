// The heap of a program that reads one large document and then ends (a
// command line program).
//
// Touching memory for the first time costs a page fault per 4 KB page, and
// on a virtual machine a fault costs about as much as parsing the bytes that
// fill the page: at a thousand dense pages udftotext touches 110 MB in
// 40,000 faults. Grown at once and in memory the kernel may back with 2 MB pages
// (where transparent huge pages are on "madvise" or "always"), the heap
// takes one fault where there were 512.
//
// Nothing changes in what any allocation holds. Call from the program's
// main thread, before other threads start.
#pragma once

#include <cstddef>

namespace maravel::process {

// Grows the heap by kHeapPerDocumentByte x `documentBytes` (at least
// kMinDocumentHeap, so that whole 2 MB pages fit, and at most
// kMaxDocumentHeap) at once, asks for 2 MB pages there, and keeps the heap
// from handing its top back to the system (which would give later growth
// plain pages again) until the program ends. Only address space is
// taken: pages are touched, and counted, as they are used. Nothing for
// documents below kMinDocumentBytes (a page or two), which touch too
// little to gain, and nothing when the system refuses. Call once, after
// reading the document and before parsing it.
void reserveDocumentHeap(std::size_t documentBytes);

// Hands the heap's free memory back to the system, in every thread's part
// of it: for a program that lives on after it let go of a large document's
// working memory (the window after a parse or a layout), so that what one
// thread freed does not stay counted while another grows. Some
// milliseconds for a heap of hundreds of megabytes.
void releaseFreeMemory();

// content.xml inflates to 10 to 25 times the file, and the tree, model and
// text made from it take about 2 to 3 times that: address space beyond what
// is used costs nothing.
inline constexpr std::size_t kHeapPerDocumentByte = 40;
inline constexpr std::size_t kMinDocumentBytes = 32 * 1024;
inline constexpr std::size_t kMinDocumentHeap = std::size_t{8} << 20;
inline constexpr std::size_t kMaxDocumentHeap = std::size_t{1} << 30;

}  // namespace maravel::process
