#include "platform/pumping_call.h"

#include <deque>
#include <thread>

namespace brimsel::platform {
namespace {

class HelperThreads {
 public:
  struct Job {
    std::function<void()> work;
    std::function<void()> deliver;
  };

  void Run(Job job) {
    const std::lock_guard lock(mutex_);
    // Each queued job has a free helper of its own that will take it; otherwise a new one.
    if (free_ > jobs_.size()) {
      jobs_.push_back(std::move(job));
      wake_.notify_one();
    } else {
      std::thread([this, first = std::move(job)]() mutable { Serve(std::move(first)); }).detach();
    }
  }

 private:
  [[noreturn]] void Serve(Job job) {
    for (;;) {
      job.work();
      {
        const std::lock_guard lock(mutex_);
        ++free_;
      }
      job.deliver();
      job = {};  // what the job holds is released before the wait
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return !jobs_.empty(); });
      --free_;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  std::size_t free_ = 0;  // helpers done with their job, waiting or about to wait for the next
};

}  // namespace

void RunOnHelperThread(std::function<void()> work, std::function<void()> deliver) {
  // Never destroyed: at the program's end a helper may still be inside a blocking call.
  static HelperThreads* const helpers = new HelperThreads;
  helpers->Run({std::move(work), std::move(deliver)});
}

}  // namespace brimsel::platform
