// A plain ordered list of strings, each with an object pointer, and the
// framework's text rules for splitting and joining lines.
#pragma once
#include <string>
#include <vector>

class TStringList {
 public:
  int Count() const { return int(items_.size()); }
  const std::string& Strings(int index) const { return items_.at(size_t(index)).text; }
  void* Objects(int index) const { return items_.at(size_t(index)).object; }
  void SetObject(int index, void* object) { items_.at(size_t(index)).object = object; }

  int Add(const std::string& text, void* object = nullptr);
  void Delete(int index);
  void Exchange(int first, int second);
  void Clear() { items_.clear(); }

  // Replaces the list with the lines of text. A line ends at CR LF, CR or LF,
  // and the text ends at its first NUL; a final line break adds no empty line.
  void SetText(const std::string& text);
  // Every line followed by the platform's line break.
  std::string GetText() const;

  // Replaces the list with the lines of a file. Returns 0, or -1 (errno set)
  // when the file cannot be read; the list is then empty.
  int LoadFromFile(const std::string& fileName);

 private:
  struct TItem {
    std::string text;
    void* object;
  };
  std::vector<TItem> items_;
};
