#pragma once
// A document view on a real font, showing a model, for the view's tests: paints to an image,
// sends mouse events, and records what the view reports to its host.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <vector>

#include "document_view.hh"
#include "qt_measure.hh"
#include "text/text_model.hh"

namespace quilmar {

// Records what the view reports; selections go straight to the model.
class RecordingHost final : public DocumentViewHost {
 public:
  explicit RecordingHost(TextModel& model) : model_(model) {}
  void ViewKeyDown(const KeyEvent& key) override { keys.push_back(key.code); }
  void ViewCommitText(const String& text) override { commits.push_back(text); }
  void ViewMouseUp(int button) override { mouseUps.push_back(button); }
  void ViewSelect(CharPos anchor, CharPos caret) override { model_.Select(anchor, caret); }
  void ViewResized() override { model_.Relayout(); }
  std::vector<KeyCode> keys;
  std::vector<String> commits;
  std::vector<int> mouseUps;

 private:
  TextModel& model_;
};

class ViewFixture : public ::testing::Test {
 protected:
  ViewFixture(double pointSize, QSize size) : measure(96.0), model(measure), view(measure), host(model) {
    FontSpec font;
    font.name = u"DejaVu Sans Mono";
    font.size = pointSize;
    model.SetFont(font);
    view.SetModel(&model);
    view.SetHost(&host);
    view.resize(size);
    view.show();
    view.setFocus();
    QApplication::processEvents();
  }

  QImage Paint() {
    view.Sync();
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), view.viewport()->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &event);
  }
  // A left-button press at one point and release at another.
  void Drag(QPoint from, QPoint to) {
    Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  }

  QtMeasure measure;
  TextModel model;
  DocumentView view;
  RecordingHost host;
};

}  // namespace quilmar
