#pragma once

#include "shell/win32/win_api.h"

namespace wordmeadow {

// Something the message loop serves beside the windows, on the program's own thread between
// messages: the loop waits for the service's event along with the messages, and calls serve()
// when it is set or when the service's time has come.
class WaitService {
 public:
  virtual ~WaitService() = default;
  virtual HANDLE event() const = 0;
  // Milliseconds until serve() wants to run even without its event; negative while never.
  virtual int msUntilDue() const = 0;
  virtual void serve() = 0;
};

}  // namespace wordmeadow
