// tavireld under the Windows service manager. The dispatcher's entry point
// takes no argument, so it finds the run's context through a named mapping
// of this process ("Local\tavireld-service-<pid>"), as the console's stop
// handler finds its events: nothing global of ours.
#include <windows.h>

#include <csignal>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <system_error>

#include "system_service.hpp"
#include "tavirel/support/user_folders.hpp"

namespace tavirel::service {
namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size,
                        nullptr, nullptr);
  return narrow;
}

std::string ErrorText(DWORD error) {
  return std::system_category().message(static_cast<int>(error));
}

struct ServiceHandle {
  SC_HANDLE handle;
  explicit ServiceHandle(SC_HANDLE h) : handle(h) {}
  ~ServiceHandle() {
    if (handle != nullptr) ::CloseServiceHandle(handle);
  }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
};

int Failed(std::ostream& err, const std::string& what, DWORD error) {
  err << "tavireld: " << what << ": " << ErrorText(error);
  if (error == ERROR_ACCESS_DENIED) err << " (run it from an administrator's command prompt)";
  err << std::endl;
  return 1;
}

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// What the dispatcher's thread needs: the stop, the run and the status.
struct Run {
  support::SignalStop* stop = nullptr;
  const std::function<int(const std::function<void()>&)>* serve = nullptr;
  SERVICE_STATUS_HANDLE status_handle = nullptr;
  SERVICE_STATUS status{};
  int exit_status = 0;
  std::mutex mutex;  // the handler's thread and the service's both report

  void Report(DWORD state, DWORD accepted = 0) {
    std::lock_guard lock(mutex);
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = accepted;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 30000;
    if (state == SERVICE_STOPPED && exit_status != 0) {
      status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
      status.dwServiceSpecificExitCode = static_cast<DWORD>(exit_status);
    }
    ::SetServiceStatus(status_handle, &status);
  }
};

std::wstring MappingName(DWORD process) {
  return L"Local\\tavireld-service-" + std::to_wstring(process);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void* context) {
  auto* run = static_cast<Run*>(context);
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      run->Report(SERVICE_STOP_PENDING);
      run->stop->Request(SIGTERM);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

// Standard error (the log) into tavireld.log in the state folder: a service has no
// console, and its log is what an operator reads.
void LogToFile() {
  const auto folder = support::UserFolderPath(support::UserFolder::State);
  if (!folder) return;
  const std::string path = *folder + "\\tavirel\\tavireld.log";
  try {
    support::MakePrivateFolders<std::runtime_error>(path, "the log");
  } catch (const std::exception&) {
    return;  // the log stays where the manager put standard error
  }
  if (std::freopen(path.c_str(), "a", stderr) == nullptr) return;
  std::setvbuf(stderr, nullptr, _IOLBF, 4096);
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  const HANDLE mapping =
      ::OpenFileMappingW(FILE_MAP_READ, FALSE, MappingName(::GetCurrentProcessId()).c_str());
  if (mapping == nullptr) return;
  void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(Run*));
  Run* run = view == nullptr ? nullptr : *static_cast<Run* const*>(view);
  if (view != nullptr) ::UnmapViewOfFile(view);
  ::CloseHandle(mapping);
  if (run == nullptr) return;
  LogToFile();
  run->status_handle = ::RegisterServiceCtrlHandlerExW(L"tavireld", OnControl, run);
  if (run->status_handle == nullptr) return;
  run->Report(SERVICE_START_PENDING);
  run->exit_status = (*run->serve)(
      [run] { run->Report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN); });
  run->Report(SERVICE_STOPPED);
}

}  // namespace

int InstallSystemService(const std::vector<std::string>& arguments, std::ostream& out,
                         std::ostream& err) {
  const ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (manager.handle == nullptr) {
    return Failed(err, "cannot reach the service manager", ::GetLastError());
  }
  std::vector<std::string> words{Narrow(ProgramPath())};
  words.insert(words.end(), arguments.begin(), arguments.end());
  const std::wstring command = Wide(WindowsCommandLine(words));
  const ServiceHandle service(
      ::CreateServiceW(manager.handle, L"tavireld", L"tavirel register service", SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                       command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  if (service.handle == nullptr) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_SERVICE_EXISTS) {
      err << "tavireld: the service \"tavireld\" is installed already: "
             "tavireld --uninstall-service first"
          << std::endl;
      return 1;
    }
    return Failed(err, "cannot install the service \"tavireld\"", error);
  }
  std::wstring text = L"Fiscal registers behind a local HTTP/JSON API (tavirel).";
  SERVICE_DESCRIPTIONW description{text.data()};
  ::ChangeServiceConfig2W(service.handle, SERVICE_CONFIG_DESCRIPTION, &description);
  out << "tavireld: installed the service \"tavireld\", started at boot as:\n  " << Narrow(command)
      << "\nStart it now with: sc start tavireld" << std::endl;
  return 0;
}

int UninstallSystemService(std::ostream& out, std::ostream& err) {
  const ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (manager.handle == nullptr) {
    return Failed(err, "cannot reach the service manager", ::GetLastError());
  }
  const ServiceHandle service(
      ::OpenServiceW(manager.handle, L"tavireld", SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
  if (service.handle == nullptr) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
      err << "tavireld: the service \"tavireld\" is not installed" << std::endl;
      return 1;
    }
    return Failed(err, "cannot open the service \"tavireld\"", error);
  }
  SERVICE_STATUS status{};
  ::ControlService(service.handle, SERVICE_CONTROL_STOP, &status);  // not running: nothing to stop
  if (!::DeleteService(service.handle)) {
    return Failed(err, "cannot remove the service \"tavireld\"", ::GetLastError());
  }
  out << "tavireld: removed the service \"tavireld\"" << std::endl;
  return 0;
}

int RunAsSystemService(support::SignalStop& stop,
                       const std::function<int(const std::function<void()>&)>& serve,
                       std::ostream& err) {
  Run run;
  run.stop = &stop;
  run.serve = &serve;
  Run* pointer = &run;
  const HANDLE mapping =
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof pointer,
                           MappingName(::GetCurrentProcessId()).c_str());
  if (mapping == nullptr) return Failed(err, "cannot start as a service", ::GetLastError());
  if (void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof pointer)) {
    *static_cast<Run**>(view) = pointer;
    ::UnmapViewOfFile(view);
  }
  wchar_t name[] = L"tavireld";
  const SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  const BOOL dispatched = ::StartServiceCtrlDispatcherW(table);
  const DWORD error = ::GetLastError();
  ::CloseHandle(mapping);
  if (!dispatched) {
    if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
      err << "tavireld: --as-service is for the service manager (sc start tavireld); "
             "run tavireld without it to serve from here"
          << std::endl;
      return 2;
    }
    return Failed(err, "cannot start as a service", error);
  }
  return run.exit_status;
}

}  // namespace tavirel::service
