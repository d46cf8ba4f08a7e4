#pragma once
// A command the register refuses: thrown by a check, caught by the model,
// which then answers the error reply and keeps its state as it was.
namespace tavirel::sim {

struct Refusal {
  int number;
};

[[noreturn]] inline void Refuse(int number) { throw Refusal{number}; }

}  // namespace tavirel::sim
