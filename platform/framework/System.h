// The system as both programs reach it: the system directory, and the services of the local
// Service Control Manager.
#pragma once

#include <string>

#include "winapi.h"

// The system directory, or an empty string when the system cannot give it in full.
std::string SystemDirectory();

// A service opened with full access through the local Service Control Manager for one
// operation, and closed with the manager, service first, when the object goes. The closes keep
// the thread's last error, so that a caller can still read why the operation failed.
class Service {
 public:
  explicit Service(const std::string& name);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // NULL when the manager or the service could not be opened; the last error then says why.
  SC_HANDLE Handle() const { return service; }
  // The state the manager reports, or 0 when it cannot tell.
  DWORD State() const;
  // Queries the state up to 20 times, pausing 500 ms after each query whose state (0 for a
  // failed query) is not settled as the caller tells; returns the last state seen.
  template <class Settled>
  DWORD Poll(Settled settled) const {
    DWORD state = 0;
    for (int poll = 0; poll < kMaxPolls; ++poll) {
      if (settled(state = State())) break;
      Sleep(kPollPause);
    }
    return state;
  }

 private:
  static const int kMaxPolls = 20;
  static const DWORD kPollPause = 500;
  SC_HANDLE manager = nullptr;
  SC_HANDLE service = nullptr;
};
