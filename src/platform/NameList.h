#pragma once
// Names in the order they were added, packed in one text: a folder of many
// thousands of names read for a plan costs two growing buffers, not an
// allocation and a release per name.

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

class TNameList {
public:
  class TIterator {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    TIterator() = default;
    TIterator(const TNameList *list, std::size_t at) : List_(list), At_(at) {}
    std::string_view operator*() const { return (*List_)[At_]; }
    TIterator &operator++() {
      ++At_;
      return *this;
    }
    TIterator operator++(int) {
      TIterator before = *this;
      ++At_;
      return before;
    }
    bool operator==(const TIterator &other) const { return At_ == other.At_; }

  private:
    const TNameList *List_ = nullptr;
    std::size_t At_ = 0;
  };

  void Add(std::string_view name) {
    Ends_.push_back(Text_.size() + name.size());
    Text_.append(name);
  }
  void Clear() {
    Text_.clear();
    Ends_.clear();
  }
  std::size_t Size() const { return Ends_.size(); }
  bool Empty() const { return Ends_.empty(); }
  std::string_view operator[](std::size_t at) const {
    const std::size_t begin = at == 0 ? 0 : Ends_[at - 1];
    return std::string_view(Text_).substr(begin, Ends_[at] - begin);
  }
  TIterator begin() const { return {this, 0}; }
  TIterator end() const { return {this, Ends_.size()}; }

private:
  std::string Text_;
  std::vector<std::size_t> Ends_;  // where each name ends in Text_
};
