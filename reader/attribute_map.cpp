#include "reader/attribute_map.hpp"

#include <algorithm>
#include <stdexcept>

namespace maravel {

namespace {

bool nameBefore(const AttributeMap::value_type& entry, std::string_view name) { return entry.first < name; }

}  // namespace

AttributeMap::AttributeMap(std::vector<value_type> entries) : entries_(std::move(entries)) {
  if (sorted()) {
    sortAndMerge();
    return;
  }
  // A small map: a later duplicate overwrites the first one's value in place.
  for (std::size_t i = 1; i < entries_.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (entries_[j].first != entries_[i].first) continue;
      entries_[j].second = std::move(entries_[i].second);
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i--));
      break;
    }
  }
}

AttributeMap::AttributeMap(std::initializer_list<value_type> entries)
    : AttributeMap(std::vector<value_type>(entries)) {}

void AttributeMap::sortAndMerge() {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const value_type& a, const value_type& b) { return a.first < b.first; });
  // Of equal names the last written stands last in its run and stays.
  auto out = entries_.begin();
  for (auto in = entries_.begin(); in != entries_.end(); ++in) {
    const auto next = std::next(in);
    if (next != entries_.end() && next->first == in->first) continue;
    if (out != in) *out = std::move(*in);
    ++out;
  }
  entries_.erase(out, entries_.end());
}

AttributeMap::const_iterator AttributeMap::find(std::string_view name) const {
  if (!sorted()) {
    return std::find_if(entries_.begin(), entries_.end(),
                        [&](const value_type& entry) { return entry.first == name; });
  }
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), name, nameBefore);
  return it != entries_.end() && it->first == name ? it : entries_.end();
}

const std::string& AttributeMap::at(std::string_view name) const {
  const auto it = find(name);
  if (it == end()) throw std::out_of_range("no such attribute");
  return it->second;
}

void AttributeMap::insert_or_assign(std::string name, std::string value) {
  const auto it = find(name);
  if (it != end()) {
    entries_[static_cast<std::size_t>(it - begin())].second = std::move(value);
    return;
  }
  if (!sorted()) {
    entries_.emplace_back(std::move(name), std::move(value));
    if (sorted()) sortAndMerge();
    return;
  }
  const auto at = std::lower_bound(entries_.begin(), entries_.end(), name, nameBefore);
  entries_.emplace(at, std::move(name), std::move(value));
}

std::string& AttributeMap::operator[](std::string_view name) {
  if (!contains(name)) insert_or_assign(std::string(name), {});
  return entries_[static_cast<std::size_t>(find(name) - begin())].second;
}

bool operator==(const AttributeMap& a, const AttributeMap& b) {
  if (a.size() != b.size()) return false;
  return std::all_of(a.begin(), a.end(), [&](const AttributeMap::value_type& entry) {
    const auto other = b.find(entry.first);
    return other != b.end() && other->second == entry.second;
  });
}

}  // namespace maravel
