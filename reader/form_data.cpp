#include "reader/form_data.hpp"

#include <algorithm>
#include <limits>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "platform/text/text.hpp"

namespace maravel {

namespace {

bool isASCII(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

constexpr std::size_t kLargestIndex = std::numeric_limits<std::size_t>::max();

bool isLeaf(const XMLNode& node) { return node.children.empty(); }

bool isContainer(const XMLNode& node) {
  return std::none_of(node.children.begin(), node.children.end(), isLeaf);
}

}  // namespace

const std::string* FormData::Values::find(std::string_view name) const {
  if (const auto exact = exact_.find(name); exact != exact_.end()) return exact->second;
  if (name.size() > kMaxNameBytes) return nullptr;
  const auto folded = folded_.find(caseFolded(name));
  return folded == folded_.end() ? nullptr : folded->second;
}

FormData::FormData(const XMLNode& data) { read(data, false); }

const std::string* FormData::value(std::string_view name, const Values* row) const {
  if (row != nullptr) {
    if (const std::string* found = row->find(name)) return found;
  }
  return leaves_.find(name);
}

const FormData::Rows* FormData::rowsNaming(const std::vector<std::string_view>& fieldNames) const {
  std::unordered_set<std::string> distinct;
  for (const std::string_view name : fieldNames) {
    if (name.size() <= kMaxNameBytes) distinct.insert(caseFolded(name));
  }
  // Container index to the number of names its rows carry.
  std::unordered_map<std::size_t, std::size_t> named;
  for (const std::string& name : distinct) {
    if (const auto found = containersByName_.find(name); found != containersByName_.end()) {
      for (const std::size_t container : found->second) ++named[container];
    }
  }
  // More names first, then more rows, then the earlier container.
  const auto rank = [&](const std::pair<const std::size_t, std::size_t>& entry) {
    return std::tuple(entry.second, containers_[entry.first].size(), kLargestIndex - entry.first);
  };
  const auto best = std::max_element(named.begin(), named.end(),
                                     [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
  return best == named.end() ? nullptr : &containers_[best->first];
}

namespace {

// Unicode case folding is close to upper-casing and lower-casing again (ß
// and SS meet in "ss"); ASCII, nearly all of it, only lower-cases.
void appendFolded(std::string_view piece, std::string& out) {
  if (!isASCII(piece)) {
    out += text::lowercased(text::uppercased(piece));
    return;
  }
  for (const char c : piece) out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The dotted and the dotless i are two letters in Turkish, each with its
// own capital: İ and i meet in "i", I and ı in "ı". Unicode's own folding
// would turn İ into i and a combining dot, and ı into i.
constexpr std::string_view kCapitalDotted = "\u0130";  // İ
constexpr std::string_view kSmallDotless = "\u0131";   // ı

}  // namespace

std::string FormData::caseFolded(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 4);
  std::size_t start = 0;
  for (std::size_t at = 0; at < name.size();) {
    const std::string_view rest = name.substr(at);
    std::string_view folded;
    std::size_t length = 1;
    if (rest.front() == 'I') {
      folded = kSmallDotless;
    } else if (rest.starts_with(kCapitalDotted)) {
      folded = "i";
      length = kCapitalDotted.size();
    } else if (rest.starts_with(kSmallDotless)) {
      folded = kSmallDotless;
      length = kSmallDotless.size();
    } else {
      ++at;
      continue;
    }
    appendFolded(name.substr(start, at - start), out);
    out += folded;
    at += length;
    start = at;
  }
  appendFolded(name.substr(start), out);
  return out;
}

// Counts one element read; false once kMaxElements were.
bool FormData::take() {
  if (elementsLeft_ == 0) return false;
  --elementsLeft_;
  return true;
}

// Leaves outside rows are values; every container, rows included, is a
// list of rows, so that a group of rows inside another element is found too.
void FormData::read(const XMLNode& node, bool inRow) {
  for (const XMLNode& child : node.children) {
    if (!take()) return;
    if (isLeaf(child)) {
      if (!inRow) add(child, leaves_);
      continue;
    }
    const bool container = isContainer(child);
    if (container) readContainer(child);
    read(child, inRow || container);
  }
}

void FormData::readContainer(const XMLNode& container) {
  Rows rows;
  std::unordered_set<std::string> names;
  for (const XMLNode& row : container.children) {
    if (!take()) break;
    Values values;
    readRow(row, values);
    for (const auto& entry : values.folded_) names.insert(entry.first);
    rows.push_back(std::move(values));
  }
  for (const std::string& name : names) {
    std::vector<std::size_t>& containers = containersByName_[name];
    if (containers.size() < kMaxContainersPerName) containers.push_back(containers_.size());
  }
  containers_.push_back(std::move(rows));
}

void FormData::readRow(const XMLNode& node, Values& values) {
  for (const XMLNode& child : node.children) {
    if (!take()) return;
    if (isLeaf(child)) {
      add(child, values);
    } else {
      readRow(child, values);
    }
  }
}

void FormData::add(const XMLNode& leaf, Values& values) {
  if (leaf.name.size() > kMaxNameBytes) return;
  if (leaf.text.size() > valueBytesLeft_) return;
  valueBytesLeft_ -= leaf.text.size();
  values.exact_.emplace(leaf.name, &leaf.text);
  values.folded_.emplace(caseFolded(leaf.name), &leaf.text);
}

}  // namespace maravel
