// The progress dialog every export shows while it renders: the seconds rendered and the order
// position, ten times a second, and Cancel. Window-modal, so that while it takes events for
// its Cancel button the editors and menus stay out of reach.
#pragma once

#include <QProgressDialog>
#include <QString>
#include <functional>

#include "engine/song_render.h"

namespace kelmar {

class ExportProgress {
 public:
  using Hook = std::function<void(QProgressDialog&)>;

  // Created up front but shown only by Show, once rendering runs.
  ExportProgress(QWidget* parent, const QString& objectName, const QString& title, const QString& fileName,
                 Hook hook);
  void Show() { dialog_.show(); }
  void Hide() { dialog_.hide(); }
  // The render's progress callback: false once Cancel was pressed.
  bool Update(const RenderProgress& p);

 private:
  QProgressDialog dialog_;
  QString fileName_;
  Hook hook_;  // a test may press Cancel there, after every block
  qint64 lastUpdate_ = -1;
};

}  // namespace kelmar
