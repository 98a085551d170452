// Watches status field 0 between the user's actions: a finished page (" Fertig.") must not be
// overwritten by a look-up's late answer (" gefunden") while the user does nothing.
#pragma once

#include <QObject>
#include <QTimer>
#include <string>

namespace korvalis::monkey {

struct MonkeyContext;

class StatusWatch : public QObject {
  Q_OBJECT

 public:
  explicit StatusWatch(MonkeyContext& context);
  void start() { timer_.start(); }
  void stop() { timer_.stop(); }

 private:
  void poll();

  MonkeyContext& context_;
  QTimer timer_;
  std::string last_;
  int actionsAtLast_ = -1;
};

}  // namespace korvalis::monkey
