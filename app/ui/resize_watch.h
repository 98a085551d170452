#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace korvalis {

/// Calls a function when a widget changes its size (and when it is shown). Immediately: on
/// every such event, for cheap work such as keeping a child in a corner. Coalesced: once,
/// from the event loop, after a burst of them, for work such as fitting a large page anew
/// while the user drags the window's edge.
class ResizeWatch : public QObject {
 public:
  enum class Timing { Immediately, Coalesced };

  ResizeWatch(QWidget& watched, std::function<void()> changed, Timing timing);
  ~ResizeWatch() override;
  ResizeWatch(const ResizeWatch&) = delete;
  ResizeWatch& operator=(const ResizeWatch&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& watched_;
  std::function<void()> changed_;
  Timing timing_;
  bool pending_ = false;
};

}  // namespace korvalis
