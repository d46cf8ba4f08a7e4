// Message pumping during the wait.
#include "com_wait.hpp"

#include <windows.h>

namespace tavirel::com {

void PumpWaitingMessages() {
  // Asks without waiting: the control's wait loop sleeps on the port itself
  // and comes back here every pass.
  if (MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
      WAIT_OBJECT_0) {
    return;
  }
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {  // for the loop that owns the thread
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace tavirel::com
