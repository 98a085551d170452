// Measures how long the user-interface thread's event loop goes without turning: a timer that
// should fire every few milliseconds, and the gaps between its firings. Time the monkey itself
// spends (its checks) is left out, and so are gaps while a modal window or dialog is up.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace korvalis::monkey {

class StallWatchdog : public QObject {
  Q_OBJECT

 public:
  /// `modalOpen` tells whether a modal window or dialog is up; `stalled` gets every gap over
  /// `limitMs` outside them (in ms).
  StallWatchdog(std::function<bool()> modalOpen, std::function<void(qint64)> stalled,
                qint64 limitMs);

  void start();
  void stop();
  /// The longest gap outside modal windows so far, in ms.
  qint64 longestMs() const { return longest_; }
  /// The longest gap while a modal window or dialog was up (not judged, reported), in ms.
  qint64 longestModalMs() const { return longestModal_; }

  /// While one lives, the time is the monkey's own and is not counted as a stall.
  class OwnTime {
   public:
    explicit OwnTime(StallWatchdog& dog) : dog_(dog) { clock_.start(); }
    ~OwnTime() { dog_.excluded_ += clock_.elapsed(); }
    OwnTime(const OwnTime&) = delete;
    OwnTime& operator=(const OwnTime&) = delete;

   private:
    StallWatchdog& dog_;
    QElapsedTimer clock_;
  };

 private:
  void tick();

  std::function<bool()> modalOpen_;
  std::function<void(qint64)> stalled_;
  qint64 limitMs_;
  QTimer timer_;
  QElapsedTimer sinceTick_;
  qint64 excluded_ = 0;
  qint64 longest_ = 0;
  qint64 longestModal_ = 0;
  bool modalAtLastTick_ = false;
};

}  // namespace korvalis::monkey
