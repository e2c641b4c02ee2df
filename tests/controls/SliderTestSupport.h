// A slider on a silver face, as the deck window shows them, and its helpers.
#pragma once
#include <memory>
#include <vector>

#include "WidgetTestSupport.h"
#include "controls/Slider.h"

class SliderTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    slider_ = std::make_unique<TSlider>(&Host());
    QPalette palette = slider_->palette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    slider_->setPalette(palette);
    slider_->show();
    slider_->OnChange = [this](QObject*) { changes_.push_back(slider_->Value()); };
  }

  // The deck window's pitch fader.
  void MakePitch() {
    slider_->resize(33, 173);
    slider_->SetOrientation(soVertical);
    slider_->SetOptions({soShowPoints, soSmooth});
    slider_->SetMinValue(-2000);
    slider_->SetMaxValue(2000);
    slider_->SetIncrement(100);
    slider_->SetValue(0);
  }

  TSlider& S() { return *slider_; }

  std::unique_ptr<TSlider> slider_;
  std::vector<int> changes_;
};
