// The about box: the program's version and its disclaimer, shown modally from the settings
// dialog and closed again by its Return button.
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

namespace fellridge::dialog {

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);

    // Return: closes the box and ends the settings dialog's modal wait.
    void Button1Click();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Button1 = nullptr;
};

}  // namespace fellridge::dialog
