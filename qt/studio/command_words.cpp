#include "command_words.hpp"

namespace tavirel::studio {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

class WordSplitter {
 public:
  explicit WordSplitter(std::string_view line) : line_(line) {}

  std::vector<std::string> Run() {
    while (pos_ < line_.size()) {
      const char c = line_[pos_++];
      if (IsBlank(c)) {
        EndWord();
      } else if (c == '"') {
        Quoted();
      } else if (c == '\\') {
        Append(Escaped());
      } else {
        Append(c);
      }
    }
    EndWord();
    return std::move(words_);
  }

 private:
  void Quoted() {
    in_word_ = true;  // "" is a word of its own, the empty text
    while (pos_ < line_.size()) {
      const char c = line_[pos_++];
      if (c == '"') return;
      const bool escape =
          c == '\\' && pos_ < line_.size() && (line_[pos_] == '"' || line_[pos_] == '\\');
      Append(escape ? line_[pos_++] : c);
    }
    throw CommandSyntaxError("virgolette non chiuse in: " + std::string(line_));
  }

  char Escaped() {
    if (pos_ >= line_.size()) {
      throw CommandSyntaxError("la riga finisce con una barra rovesciata: " + std::string(line_));
    }
    return line_[pos_++];
  }

  void Append(char c) {
    word_ += c;
    in_word_ = true;
  }

  void EndWord() {
    if (in_word_) words_.push_back(std::move(word_));
    word_.clear();
    in_word_ = false;
  }

  std::string_view line_;
  std::size_t pos_ = 0;
  std::string word_;
  bool in_word_ = false;
  std::vector<std::string> words_;
};

}  // namespace

std::vector<std::string> SplitCommandWords(std::string_view line) {
  return WordSplitter(line).Run();
}

}  // namespace tavirel::studio
