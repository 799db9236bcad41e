#pragma once

#include <array>
#include <string>
#include <vector>

#include "texts/text_table.h"

namespace tv {

class Program;
class Control;
class Form;

// Hands each numbered text entry to the control or working text it stands for.
class TextApplication {
 public:
  explicit TextApplication(Program& program);

  // Applies entries `first` to `last` of `table` in increasing order; `textIndex`
  // walks with them and is 0 again afterwards.
  void applyRange(const TextTable& table, int first, int last);
  // Applies the entry numbered `textIndex` with the two texts given.
  void ApplyTextEntry(const std::string& captionText, const std::string& tooltipText);

  // Texts kept for the recorder and the Auto-TX pre-selection.
  std::string recorderOnText;
  std::string recorderOffText;
  std::array<std::string, 4> preselectionTexts;  // 1..3

 private:
  struct Target {
    Control* control = nullptr;
    Form* form = nullptr;
    bool caption = false;
    bool tooltip = false;
  };
  void add(int entry, Control& control, bool caption, bool tooltip);
  void add(int entry, Form& form, bool caption, bool tooltip);

  Program& p_;
  std::array<std::vector<Target>, kLastTextEntry + 1> targets_;
};

}  // namespace tv
