// The attributes of one element: names (lower-cased by the tree) with their
// values, each name once.
//
// Elements carry a handful of attributes, so the map is one small vector:
// no allocation per attribute and no hashing, which made up much of the
// tree's cost in time and memory. Up to kLinearSize entries a lookup walks
// the vector; a larger map keeps its entries sorted by name and looks them
// up by halving, so an element with a thousand attributes (all the markup
// allows) costs a lookup ten comparisons, not a thousand. Iteration follows
// the written order in a small map and the name order in a large one.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace maravel {

class AttributeMap {
 public:
  using value_type = std::pair<std::string, std::string>;
  using const_iterator = std::vector<value_type>::const_iterator;

  // Larger maps are kept sorted by name.
  static constexpr std::size_t kLinearSize = 16;

  AttributeMap() = default;
  // A name given twice keeps the value given last, as insert_or_assign would.
  explicit AttributeMap(std::vector<value_type> entries);
  AttributeMap(std::initializer_list<value_type> entries);

  // The entry named `name`, or end().
  const_iterator find(std::string_view name) const;
  bool contains(std::string_view name) const { return find(name) != end(); }
  // The value of `name`; std::out_of_range when there is none.
  const std::string& at(std::string_view name) const;
  void insert_or_assign(std::string name, std::string value);
  // The value of `name`, added empty when there is none.
  std::string& operator[](std::string_view name);

  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  // The same names with the same values, in any order.
  friend bool operator==(const AttributeMap& a, const AttributeMap& b);

 private:
  bool sorted() const { return entries_.size() > kLinearSize; }
  void sortAndMerge();

  std::vector<value_type> entries_;
};

}  // namespace maravel
