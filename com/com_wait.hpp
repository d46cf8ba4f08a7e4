#pragma once
// The host's events during a call's wait: the control's yield hook.

namespace tavirel::com {

/// Serves the messages waiting in the calling thread's queue (an
/// apartment's windows stay alive while a call waits for the register).
/// Returns at once when none is waiting. A member called from a window
/// procedure run here is a nested call, which the control refuses.
void PumpWaitingMessages();

}  // namespace tavirel::com
