// On Windows the simulated register runs in process only (the built-in
// register of `tavirel call --sim`, `demo`, `receipt --sim`) and keeps no
// files: its state and paper files are written with POSIX guarantees
// (flock, fdatasync, an atomic rename over the old snapshot) that this build
// does not restate for Win32. Asking for a file is refused by name at once;
// nothing is half kept.
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/paper_file.hpp"
#include "tavirel/sim/state_file.hpp"

namespace tavirel::sim {
namespace {

[[noreturn]] void Refuse(const std::string& what, const std::string& path) {
  throw StateFileError(what + " " + path +
                       ": the simulated register keeps no files on Windows (it runs in process)");
}

}  // namespace

StateFile::StateFile(std::string path) : path_(std::move(path)) {}
StateFile::~StateFile() = default;
StateFile::StateFile(StateFile&& other) noexcept = default;
StateFile& StateFile::operator=(StateFile&& other) noexcept = default;
void StateFile::CloseLog() {}
bool StateFile::Exists() const { Refuse("state file", path_); }
void StateFile::CheckWritable() const { Refuse("state file", path_); }
SavedRegister StateFile::Load() { Refuse("state file", path_); }
void StateFile::Claim() { Refuse("state file", path_); }
void StateFile::OpenLog() { Refuse("state file", path_); }
void StateFile::Save(const RegisterState&, const std::vector<FiscalRecord>&) {
  Refuse("state file", path_);
}
void StateFile::Append(const RegisterState&, const std::vector<FiscalRecord>&, const StateChange&) {
  Refuse("state file", path_);
}

PaperFile::PaperFile(std::string path) : path_(std::move(path)) { Refuse("paper file", path_); }
PaperFile::~PaperFile() = default;
void PaperFile::ReadTail() {}
void PaperFile::TruncateTo(long long) {}
void PaperFile::Append(const PaperRecord&) { Refuse("paper file", path_); }
void PaperFile::DropLast() { Refuse("paper file", path_); }
void ReconcilePaper(PaperFile& paper, std::uint64_t, const PaperRecord&, const std::string&) {
  Refuse("paper file", paper.Path());
}

}  // namespace tavirel::sim
