#pragma once
// One report box at a time: reports raised while one is open (a timer keeps
// ticking behind it) are counted into it instead of opening boxes on top of it.
#include <cstddef>
#include <string>

namespace scandeck {

class ReportQueue {
 public:
  // True when `text` needs a box of its own; otherwise it is counted into the
  // open one (a repeat of the text the box shows adds nothing).
  bool add(const std::string& text) {
    if (!open_) {
      open_ = true;
      first_ = text;
      more_ = 0;
      last_.clear();
      return true;
    }
    if (text != first_) {
      ++more_;
      last_ = text;
    }
    return false;
  }
  void closed() { open_ = false; }
  bool open() const { return open_; }
  std::size_t more() const { return more_; }
  // What the open box says: its report, then how many came since and the last one.
  std::string text() const {
    if (more_ == 0) return first_;
    return first_ + "\n\n" + std::to_string(more_) + (more_ == 1 ? " more message" : " more messages") +
           " while this one was open; the last:\n" + last_;
  }

 private:
  bool open_ = false;
  std::string first_;
  std::string last_;
  std::size_t more_ = 0;
};

}  // namespace scandeck
