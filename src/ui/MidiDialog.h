// "MIDI...": the controller's port, and one Learn button per action. Press
// Learn, move the control, done; the button then shows what was learnt.
#pragma once
#include <QDialog>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class TMidiControl;

class TMidiDialog : public QDialog {
 public:
  TMidiDialog(TMidiControl& midi, QWidget* parent);
  // The sources as they are now, the chosen one selected.
  void Refresh();

 private:
  void PortChosen(int index);
  void LearnClicked(int action);
  void ShowBindings();

  TMidiControl& midi_;
  QComboBox* ports_;
  QLabel* status_;
  std::vector<QPushButton*> learn_;  // one per action, in the table's order
  QTimer* watch_;                    // follows a learning until it is done
  int learning_ = -1;
};
