#pragma once

namespace korvalis {

/// The HTTP library's process-wide set-up: made once by whoever creates the transfer engine
/// (the program, krv, a test) and kept while any engine or reachability check runs; its
/// destructor releases what the set-up took. The engine and the site check take it as a
/// parameter, so neither can run without it. Instances may nest (the library counts them).
class CurlGlobal {
 public:
  CurlGlobal();
  ~CurlGlobal();
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;

  /// False when the library could not be set up (every transfer then fails).
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

}  // namespace korvalis
