#pragma once
// Instance slots: slot n is held by an exclusive lock on the file "Q5Lumo" + n. The system
// drops the lock when the process ends, however it ends, so a crash never blocks a slot.

#include <filesystem>

namespace vadrix {

class InstanceLock {
  public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Tries slots 1 and 2 without waiting; returns the slot taken or 0.
    int Acquire(const std::filesystem::path& directory);
    void Release();
    int slot() const { return slot_; }

    // $XDG_RUNTIME_DIR, else /tmp.
    static std::filesystem::path DefaultDirectory();

  private:
    int fd_ = -1;
    int slot_ = 0;
};

}  // namespace vadrix
