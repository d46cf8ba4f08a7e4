// The console's control handler is a plain function without an argument, so
// it reaches the watcher through named events of this process
// ("Local\tavirel-stop-<pid>-int" and "-term"): nothing global of ours. A
// handler that finds no watcher lets the system end the program as usual.
#include <windows.h>

#include <csignal>
#include <string>
#include <system_error>

#include "tavirel/support/signal_stop.hpp"

namespace tavirel::support {
namespace {

std::string EventName(const char* kind) {
  return "Local\\tavirel-stop-" + std::to_string(::GetCurrentProcessId()) + "-" + kind;
}

HANDLE MakeEvent(const std::string& name) {
  const HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, name.empty() ? nullptr : name.c_str());
  if (event == nullptr) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                            "making the stop events");
  }
  return event;
}

BOOL WINAPI OnConsoleEvent(DWORD type) {
  const char* kind = type == CTRL_C_EVENT ? "int" : "term";
  const HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, EventName(kind).c_str());
  if (event == nullptr) return FALSE;
  ::SetEvent(event);
  ::CloseHandle(event);
  return TRUE;
}

}  // namespace

struct SignalStop::Sources {
  HANDLE interrupt = nullptr;  // Ctrl+C
  HANDLE terminate = nullptr;  // Ctrl+Break, the console closing, a shutdown
  HANDLE quit = nullptr;       // ends the watching thread
  ~Sources() {
    for (HANDLE h : {interrupt, terminate, quit}) {
      if (h != nullptr) ::CloseHandle(h);
    }
  }
};

SignalStop::SignalStop() : sources_(std::make_unique<Sources>()) {
  sources_->interrupt = MakeEvent(EventName("int"));
  sources_->terminate = MakeEvent(EventName("term"));
  sources_->quit = MakeEvent("");
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  thread_ = std::thread([this] { Watch(); });
}

SignalStop::~SignalStop() {
  ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  ::SetEvent(sources_->quit);
  thread_.join();
}

int SignalStop::WakeFd() const noexcept { return -1; }

void SignalStop::Watch() {
  const HANDLE events[3] = {sources_->quit, sources_->interrupt, sources_->terminate};
  while (true) {
    const DWORD woke = ::WaitForMultipleObjects(3, events, FALSE, INFINITE);
    if (woke == WAIT_OBJECT_0 + 1)
      Fire(SIGINT);
    else if (woke == WAIT_OBJECT_0 + 2)
      Fire(SIGTERM);
    else
      return;
  }
}

const char* SignalStop::Name(int signal_number) {
  switch (signal_number) {
    case SIGINT: return "SIGINT (Ctrl+C)";
    case SIGTERM: return "SIGTERM (Ctrl+Break or the console closing)";
    default: return "a signal";
  }
}

void IgnoreBrokenPipe() {}

}  // namespace tavirel::support
