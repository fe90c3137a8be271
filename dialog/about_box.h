// The about box: the program's version and its disclaimer, shown modally from the settings
// dialog and closed again by its Return button.
#pragma once

#include <QDialog>

namespace fellridge::dialog {

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    // The Return button closes the box and ends the settings dialog's modal wait.
    explicit AboutBox(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace fellridge::dialog
