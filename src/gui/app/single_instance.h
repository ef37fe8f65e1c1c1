#pragma once
// One running copy per machine: a lock file named "OneInstanceAllowed" in the system's
// temporary folder. The lock is released when the object goes away or the process ends.

#include <QLockFile>
#include <memory>

namespace otdr::gui {

class SingleInstance {
  public:
    SingleInstance();
    // False when another copy holds the lock.
    bool acquired() const { return acquired_; }
    static QString lockPath();

  private:
    std::unique_ptr<QLockFile> lock_;
    bool acquired_ = false;
};

}  // namespace otdr::gui
