#pragma once
// "バージョン情報": icon, product name, version (the build number as its hint), an
// ownership line and two links opened by the desktop.
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
    QLabel* MailLabel;
    QLabel* WebLabel;
    QPushButton* OKButton;

    static QString MailAddress() { return QStringLiteral("mirelune@example.org"); }
    static QString WebAddress() { return QStringLiteral("https://mirelune.example.org/"); }
};
