#pragma once

#include <memory>

namespace korvalis {

/// The HTTP library's process-wide set-up: made once by whoever creates the transfer engine
/// (the program, krv, a test) and kept while any engine or reachability check runs. The
/// engine and the site check take it as a parameter, so neither can run without it. The
/// set-up is released when the last hold on it goes: this object's own, or one an engine took
/// (see hold), which its workers keep until they end, so a worker an abort left running never
/// finds the library cleaned up under it. Instances may nest (the library counts them).
class CurlGlobal {
 public:
  CurlGlobal();
  ~CurlGlobal() = default;
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;

  /// False when the library could not be set up (every transfer then fails).
  bool ok() const;
  /// A hold that keeps the set-up alive after this object is gone.
  std::shared_ptr<const void> hold() const { return state_; }

 private:
  struct State;
  std::shared_ptr<const State> state_;
};

}  // namespace korvalis
