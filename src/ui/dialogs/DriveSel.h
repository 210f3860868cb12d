#pragma once
// "ドライブ選択": the drive the program opens, chosen at start-up. The list holds the
// system default, every drive the system knows, and an entry to choose a disc image
// file (a virtual drive).
#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

class TDriveSelForm : public QDialog {
    Q_OBJECT
public:
    // drives: the machine's drives (device paths); driveName: the current choice.
    TDriveSelForm(const QStringList& drives, const QString& driveName, QWidget* parent = nullptr);

    // The choice after OK: empty for the system default.
    QString DriveName() const { return driveName; }

    // Asks for an image file; empty when the user chose none. Tests replace it.
    std::function<QString(QWidget*)> ChooseImage;

    QLabel* Label1;
    QListWidget* DriveList;
    QPushButton* OKBtn;

    static QString DefaultItemText() { return QStringLiteral("(システム デフォルト)"); }
    static QString ImageItemText() { return QStringLiteral("ディスクイメージファイル..."); }

    void DriveListClick();
    void DriveListDblClick();
    void OKBtnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool chooseImageItem();
    // An image file's entry: the dialog widens for it as far as it may, and a path still
    // too long shows with its middle left out (the whole path in the item's hint).
    void addImageItem(int row, const QString& path);
    void fitPaths();
    int pathRoom();          // the width a path has in the list
    int selectedRow() const; // -1 when nothing is selected
    QString driveName;
    int lastRow = -1;
};
