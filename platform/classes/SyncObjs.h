// SyncObjs: the critical section of the class library — a lock that the
// thread holding it may enter again (each Enter matched by a Leave), and a
// scope guard that leaves it however the scope ends.
#pragma once

#include <mutex>

namespace velmorak {

class TCriticalSection {
 public:
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }

 private:
  std::recursive_mutex FMutex;
};

class TCriticalSectionGuard {
 public:
  explicit TCriticalSectionGuard(TCriticalSection& ASection) : FSection(ASection) { FSection.Enter(); }
  ~TCriticalSectionGuard() { FSection.Leave(); }
  TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
  TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

 private:
  TCriticalSection& FSection;
};

}  // namespace velmorak
