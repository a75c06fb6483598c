#pragma once
// The order in which eliminate merges its small clumps.
#include <algorithm>
#include <vector>

namespace zt {

// The clumps still to merge, largest size first and, within a size, in
// table order: what a sweep over the whole table for each size from
// threshold - 1 down to 1 would meet, without the sweeps. The table's
// clumps are sorted once and taken in turn; the few offered again as their
// counts change wait in a heap beside them.
class MergeQueue {
 public:
  // counts[k]: the pixel count of clump k = 1, 2, ...
  MergeQueue(const std::vector<long>& counts, long threshold) : threshold_(threshold), size_(threshold) {
    long largest = 0;
    for (long k = 1; k < long(counts.size()); ++k)
      if (counts[k] >= 1 && counts[k] < threshold) {
        sorted_.push_back(Entry{counts[k], k});
        largest = std::max(largest, counts[k]);
      }
    if (largest > long(sorted_.size())) {
      std::sort(sorted_.begin(), sorted_.end(), Before);
      return;
    }
    // A counting sort by size keeps the table order within a size, in time
    // linear in the clumps.
    std::vector<size_t> start(largest + 2, 0);
    for (const Entry& e : sorted_) ++start[largest - e.count + 1];
    for (long s = 1; s <= largest; ++s) start[s] += start[s - 1];
    std::vector<Entry> sorted(sorted_.size());
    for (const Entry& e : sorted_) sorted[start[largest - e.count]++] = e;
    sorted_.swap(sorted);
  }

  // Clump k now has count pixels: it is met again when a later sweep, or
  // the current one further on, would meet it.
  void Offer(long k, long count) {
    if (count >= 1 && count < threshold_ && (count < size_ || (count == size_ && k > current_))) {
      offered_.push_back(Entry{count, k});
      std::push_heap(offered_.begin(), offered_.end(), After);
    }
  }
  // The next clump of the current size whose count is still that size, or 0
  // when this size is done.
  long Next(const std::vector<long>& counts) {
    for (const Entry* e; (e = Top()) && e->count == size_;) {
      const Entry taken = *e;
      Pop(e);
      if (taken.clump > current_ && counts[taken.clump] == size_) return current_ = taken.clump;
    }
    return 0;
  }
  // Starts the largest size left; false when none is.
  bool NextSize() {
    const Entry* e = Top();
    if (!e) return false;
    size_ = e->count;
    current_ = 0;
    return true;
  }
  long Size() const { return size_; }
  // The clump that the table's order brings ahead entries later, 0 for none:
  // what is worth fetching into the cache now.
  long Ahead(size_t ahead) const { return next_ + ahead < sorted_.size() ? sorted_[next_ + ahead].clump : 0; }

 private:
  struct Entry {
    long count, clump;
  };
  static bool Before(const Entry& a, const Entry& b) {
    return a.count > b.count || (a.count == b.count && a.clump < b.clump);
  }
  static bool After(const Entry& a, const Entry& b) { return Before(b, a); }

  // The first entry of both, null when none is left.
  const Entry* Top() const {
    const Entry* sorted = next_ < sorted_.size() ? &sorted_[next_] : nullptr;
    const Entry* offered = offered_.empty() ? nullptr : &offered_.front();
    if (!sorted || !offered) return sorted ? sorted : offered;
    return Before(*sorted, *offered) ? sorted : offered;
  }
  void Pop(const Entry* e) {
    if (!offered_.empty() && e == &offered_.front()) {
      std::pop_heap(offered_.begin(), offered_.end(), After);
      offered_.pop_back();
    } else {
      ++next_;
    }
  }

  std::vector<Entry> sorted_;
  size_t next_ = 0;
  std::vector<Entry> offered_;  // a heap whose front comes first
  long threshold_, size_, current_ = 0;
};

}  // namespace zt
