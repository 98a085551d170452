#include "tools/monkey/status_watch.h"

#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "tools/monkey/action_log.h"
#include "tools/monkey/monkey_context.h"

namespace korvalis::monkey {

namespace {
constexpr int kPollMs = 5;
}

StatusWatch::StatusWatch(MonkeyContext& context) : context_(context) {
  timer_.setInterval(kPollMs);
  connect(&timer_, &QTimer::timeout, this, &StatusWatch::poll);
}

void StatusWatch::poll() {
  const std::string now = context_.program.mainWindow().statusText(0);
  const int actions = context_.log.actionCount();
  if (actions == actionsAtLast_ && last_ == " Fertig." && now == " gefunden") {
    context_.log.fault("\" Fertig.\" was overwritten by \" gefunden\" with no action between");
  }
  last_ = now;
  actionsAtLast_ = actions;
}

}  // namespace korvalis::monkey
