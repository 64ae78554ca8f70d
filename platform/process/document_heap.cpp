#include "platform/process/document_heap.hpp"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace maravel::process {

namespace {

// Small enough to come from the heap rather than from a mapping of its own.
constexpr std::size_t kProbeBytes = 16 * 1024;
// The heap's top holds at most a few hundred kilobytes before the reserve.
constexpr std::size_t kMaxProbes = 64;
// The C library's own top pad, for growth after the reserve.
constexpr int kDefaultTopPad = 128 * 1024;

bool reserved = false;

std::uintptr_t address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

}  // namespace

void reserveDocumentHeap(std::size_t documentBytes) {
  if (reserved || documentBytes < kMinDocumentBytes) return;
  const std::size_t heap = documentBytes > kMaxDocumentHeap / kHeapPerDocumentByte
                               ? kMaxDocumentHeap
                               : std::max(documentBytes * kHeapPerDocumentByte, kMinDocumentHeap);
  // The heap grows by what a request needs plus the top pad: probes are
  // taken until one makes it grow, then given back into its top, which the
  // trim threshold keeps.
  if (mallopt(M_TOP_PAD, static_cast<int>(heap)) != 1) return;
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(heap));
  reserved = true;
  const void* const end = sbrk(0);
  std::array<void*, kMaxProbes> probes{};
  std::size_t taken = 0;
  while (taken < probes.size() && sbrk(0) == end) {
    probes[taken] = malloc(kProbeBytes);
    if (probes[taken] == nullptr) break;
    ++taken;
  }
  const void* const grown = sbrk(0);
  const std::uintptr_t from = taken > 0 ? address(probes[taken - 1]) : 0;
  for (std::size_t i = taken; i-- > 0;) free(probes[i]);
  mallopt(M_TOP_PAD, kDefaultTopPad);
  if (from == 0 || grown == end || address(grown) <= from) return;
  // From the page of the probe that made the heap grow to its new end.
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const std::uintptr_t start = from / page * page;
  madvise(reinterpret_cast<void*>(start), address(grown) - start, MADV_HUGEPAGE);
}

void releaseFreeMemory() { malloc_trim(0); }

}  // namespace maravel::process
