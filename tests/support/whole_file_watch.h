#pragma once
// Watches a file from another thread for as long as it lives, for the tests of a file that
// another process replaces: at every look the file must be whole, one of the contents
// given (judged by its length and first bytes), never missing or cut.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace brimsel::test {

class WholeFileWatch {
 public:
  // `path` in the system's form (GBK, "\").
  WholeFileWatch(std::string path, std::vector<std::string> wholes);
  ~WholeFileWatch();
  WholeFileWatch(const WholeFileWatch&) = delete;
  WholeFileWatch& operator=(const WholeFileWatch&) = delete;

  // Ends the watch; the number of looks that found no whole file.
  int Stop();

 private:
  bool Whole() const;

  std::string path_;
  std::vector<std::string> wholes_;
  std::atomic<bool> stop_{false};
  std::atomic<int> broken_{0};
  std::thread thread_;
};

}  // namespace brimsel::test
