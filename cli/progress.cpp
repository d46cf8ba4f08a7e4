#include "progress.hpp"

#include <chrono>
#include <ostream>

namespace tavirel::cli {

ElapsedIndicator::ElapsedIndicator(std::ostream& out, Clock& clock, bool enabled)
    : out_(out), clock_(clock), enabled_(enabled) {}

void ElapsedIndicator::Begin(std::string label) {
  End();
  label_ = std::move(label);
  started_ = clock_.Now();
}

void ElapsedIndicator::Tick() {
  if (!enabled_ || !started_) return;
  const auto waited = clock_.Now() - *started_;
  if (waited <= std::chrono::seconds(1)) return;
  const long seconds =
      static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(waited).count());
  if (seconds == shown_seconds_) return;
  out_ << "\r\x1b[K" << label_ << ": waiting for the register, " << seconds << " s" << std::flush;
  shown_seconds_ = seconds;
}

void ElapsedIndicator::Clear() {
  if (shown_seconds_ < 0) return;
  out_ << "\r\x1b[K" << std::flush;
  shown_seconds_ = -1;
}

void ElapsedIndicator::End() {
  Clear();
  started_.reset();
}

}  // namespace tavirel::cli
