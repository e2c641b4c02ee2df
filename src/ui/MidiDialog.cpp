#include "ui/MidiDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "midi/MidiActions.h"
#include "midi/MidiControl.h"

namespace {
constexpr char kNoPort[] = "(none)";
constexpr char kLearnCaption[] = "Learn";
constexpr char kLearningCaption[] = "Move a control...";
constexpr int kWatchMs = 50;  // the button follows a learning this often
constexpr bool kGone = true;  // the item of a chosen source that is not there
}  // namespace

TMidiDialog::TMidiDialog(TMidiControl& midi, QWidget* parent)
    : QDialog(parent), midi_(midi), ports_(new QComboBox), status_(new QLabel), watch_(new QTimer(this)) {
  setWindowTitle("MIDI");
  auto* form = new QFormLayout;
  form->addRow("Port:", ports_);
  for (int action = 0; action < kMidiActionCount; ++action) {
    auto* button = new QPushButton(kLearnCaption);
    connect(button, &QPushButton::clicked, this, [this, action] { LearnClicked(action); });
    learn_.push_back(button);
    form->addRow(QString(kMidiActions[action].name) + ":", button);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(status_);
  layout->addWidget(buttons);
  connect(ports_, &QComboBox::activated, this, &TMidiDialog::PortChosen);
  connect(watch_, &QTimer::timeout, this, &TMidiDialog::ShowBindings);
  connect(this, &QDialog::finished, this, [this] {
    midi_.StopLearning();
    watch_->stop();
  });
}

void TMidiDialog::Refresh() {
  ports_->clear();
  ports_->addItem(kNoPort);
  for (const std::string& source : midi_.Sources()) ports_->addItem(QString::fromStdString(source));
  const int chosen = midi_.Source().empty() ? 0 : ports_->findText(QString::fromStdString(midi_.Source()));
  if (chosen < 0) ports_->addItem(QString::fromStdString(midi_.Source()) + " (gone)", kGone);
  ports_->setCurrentIndex(chosen < 0 ? ports_->count() - 1 : chosen);
  status_->setText(midi_.Source().empty() || midi_.Connected() ? "" : QString::fromStdString(midi_.Error()));
  learning_ = -1;
  ShowBindings();
}

void TMidiDialog::PortChosen(int index) {
  if (ports_->itemData(index).toBool()) return;  // the chosen one, still awaited
  const std::string source = index <= 0 ? "" : ports_->itemText(index).toStdString();
  status_->setText(midi_.Connect(source) ? "" : QString::fromStdString(midi_.Error()));
}

void TMidiDialog::LearnClicked(int action) {
  midi_.Learn(action);
  learning_ = action;
  ShowBindings();
  watch_->start(kWatchMs);
}

// Each button says what its action is bound to, or that it waits for a control.
void TMidiDialog::ShowBindings() {
  if (!midi_.Learning()) {
    learning_ = -1;
    watch_->stop();
  }
  for (int action = 0; action < kMidiActionCount; ++action) {
    QString bound;
    for (const TMidiBinding& binding : midi_.Bindings())
      if (binding.action == action) bound = QString::fromStdString(FormatMidiBinding(binding)).section(' ', 1);
    learn_[size_t(action)]->setText(action == learning_ ? kLearningCaption
                                    : bound.isEmpty()   ? QString(kLearnCaption)
                                                        : kLearnCaption + QString(": ") + bound);
  }
}
