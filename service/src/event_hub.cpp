#include "event_hub.hpp"

#include <algorithm>

namespace tavirel::service {

std::string FormatEvent(const Event& event) {
  return "id: " + std::to_string(event.id) + "\nevent: " + event.type + "\ndata: " + event.data +
         "\n\n";
}

EventHub::EventHub(std::size_t history, std::size_t queue)
    : history_limit_(std::max<std::size_t>(history, 1)),
      queue_limit_(std::max<std::size_t>(queue, 1)) {}

EventHub::~EventHub() { Close(); }

std::uint64_t EventHub::Publish(std::string type, std::string data) {
  std::lock_guard lock(mutex_);
  Event event{next_id_++, std::move(type), std::move(data)};
  for (Subscription* sub : subscribers_) {
    if (sub->ended_) continue;
    if (sub->queue_.size() >= queue_limit_) {
      sub->ended_ = true;  // behind by a whole queue: it resumes from the history
      sub->queue_.clear();
    } else {
      sub->queue_.push_back(event);
    }
  }
  history_.push_back(std::move(event));
  if (history_.size() > history_limit_) history_.pop_front();
  changed_.notify_all();
  return next_id_ - 1;
}

std::shared_ptr<EventHub::Subscription> EventHub::Subscribe(std::optional<std::uint64_t> after) {
  std::shared_ptr<Subscription> sub(new Subscription(*this));
  std::lock_guard lock(mutex_);
  sub->ended_ = closed_;
  if (after && !closed_) {
    for (const Event& event : history_) {
      if (event.id > *after) sub->queue_.push_back(event);
    }
    if (sub->queue_.size() > queue_limit_) {
      sub->queue_.erase(sub->queue_.begin(),
                        sub->queue_.end() - static_cast<std::ptrdiff_t>(queue_limit_));
    }
  }
  subscribers_.push_back(sub.get());
  return sub;
}

void EventHub::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (Subscription* sub : subscribers_) sub->ended_ = true;
  changed_.notify_all();
}

std::size_t EventHub::Subscribers() const {
  std::lock_guard lock(mutex_);
  return subscribers_.size();
}

std::vector<Event> EventHub::Subscription::Next(std::chrono::milliseconds limit) {
  std::unique_lock lock(hub_.mutex_);
  hub_.changed_.wait_for(lock, limit, [&] { return ended_ || !queue_.empty(); });
  std::vector<Event> events;
  if (ended_) return events;
  events.assign(queue_.begin(), queue_.end());
  queue_.clear();
  return events;
}

bool EventHub::Subscription::Ended() const {
  std::lock_guard lock(hub_.mutex_);
  return ended_;
}

EventHub::Subscription::~Subscription() {
  std::lock_guard lock(hub_.mutex_);
  auto& subs = hub_.subscribers_;
  subs.erase(std::remove(subs.begin(), subs.end(), this), subs.end());
}

}  // namespace tavirel::service
