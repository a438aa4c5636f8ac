#include "platform/win32/CommandLine.h"

#include "base/Utf8.h"

namespace platform::win32 {

std::vector<std::string> SplitCommandLine(std::u16string_view commandLine) {
  std::vector<std::u16string> words;
  std::u16string word;
  bool inWord = false;
  bool quoted = false;
  for (char16_t c : commandLine) {
    if (c == u'"') {
      quoted = !quoted;
      inWord = true;  // "" is an empty argument of its own
    } else if ((c == u' ' || c == u'\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  std::vector<std::string> arguments;
  for (size_t i = 1; i < words.size(); ++i) arguments.push_back(Utf16ToUtf8(words[i]));
  return arguments;
}

}  // namespace platform::win32
