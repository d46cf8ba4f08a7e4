#pragma once
// SIGINT, SIGTERM and SIGHUP as a Qt signal on the thread that owns this
// object: the studio then ends its waits, closes its window and leaves its
// event loop, so every control closes its port on the way out instead of the
// process dying with the ports (and their exclusive locks) still held.
#include <QObject>
#include <memory>

class QSocketNotifier;

namespace tavirel::studio {

class StopSignals : public QObject {
  Q_OBJECT

 public:
  /// Installs the handlers; a second instance while one lives throws
  /// std::logic_error. The previous handlers come back when it goes.
  explicit StopSignals(QObject* parent = nullptr);
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  /// The first signal that came, or 0: one may come (and be emitted) before
  /// anything is connected, while events are served during start-up.
  [[nodiscard]] int Caught() const { return caught_; }

 signals:
  /// One of the signals came: its number.
  void Stop(int signal_number);

 private:
  void Drain();

  int read_fd_ = -1;
  int caught_ = 0;
  std::unique_ptr<QSocketNotifier> notifier_;
  struct Saved;
  std::unique_ptr<Saved> saved_;
};

}  // namespace tavirel::studio
