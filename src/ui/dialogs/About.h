#pragma once
// "バージョン情報": icon, product name, version (the build number as its hint) and an
// ownership line.
#include <QDialog>

class QLabel;
class QPushButton;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QPushButton* OKButton;
};
