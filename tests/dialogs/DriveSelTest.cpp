#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "ui/dialogs/DriveSel.h"
#include "ui/main/WidgetPresenter.h"

namespace {
QStringList Items(const TDriveSelForm& f)
{
    QStringList out;
    for (int i = 0; i < f.DriveList->count(); ++i) out << f.DriveList->item(i)->text();
    return out;
}

void Click(TDriveSelForm& f, int row, bool twice = false)
{
    const QRect r = f.DriveList->visualItemRect(f.DriveList->item(row));
    if (twice) {
        QTest::mouseClick(f.DriveList->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(f.DriveList->viewport(), Qt::LeftButton, {}, r.center());
    } else {
        QTest::mouseClick(f.DriveList->viewport(), Qt::LeftButton, {}, r.center());
    }
}
} // namespace

TEST(DriveSel, WithoutDrivesOnlyTheDefaultIsListedAndChosen)
{
    TDriveSelForm f({}, QString());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("ドライブ選択"));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("使用ドライブ(&D):"));
    EXPECT_EQ(f.Label1->buddy(), f.DriveList);
    EXPECT_EQ(Items(f), (QStringList{QStringLiteral("(システム デフォルト)"), TDriveSelForm::ImageItemText()}));
    EXPECT_EQ(f.DriveList->currentRow(), 0);
    EXPECT_TRUE(f.OKBtn->isEnabled());
    EXPECT_TRUE(f.OKBtn->isDefault());
    f.OKBtn->click();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_TRUE(f.DriveName().isEmpty());
}

TEST(DriveSel, TheStoredDriveIsSelectedWithoutRegardToCase)
{
    TDriveSelForm f({QStringLiteral("/dev/sr0"), QStringLiteral("/dev/sr1")}, QStringLiteral("/DEV/SR1"));
    EXPECT_EQ(f.DriveList->currentRow(), 2);
    f.OKBtn->click();
    EXPECT_EQ(f.DriveName(), QStringLiteral("/dev/sr1"));
}

TEST(DriveSel, AVanishedDriveSelectsNothingUntilAClick)
{
    TDriveSelForm f({QStringLiteral("/dev/sr0")}, QStringLiteral("/dev/sr9"));
    f.show();
    QApplication::setActiveWindow(&f);
    EXPECT_TRUE(f.DriveList->selectedItems().isEmpty());
    EXPECT_FALSE(f.OKBtn->isEnabled());
    // Enter does what the disabled OK does: nothing, in the list and in the dialog.
    f.DriveList->setFocus();
    for (QWidget* w : {static_cast<QWidget*>(f.DriveList), static_cast<QWidget*>(&f)}) {
        QTest::keyClick(w, Qt::Key_Return);
        QTest::keyClick(w, Qt::Key_Enter, Qt::KeypadModifier);
    }
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Rejected);
    EXPECT_TRUE(f.DriveList->selectedItems().isEmpty());
    EXPECT_FALSE(f.OKBtn->isEnabled());
    // Choosing by the keyboard selects, and then OK and Enter accept that drive.
    QTest::keyClick(f.DriveList, Qt::Key_Down);
    EXPECT_TRUE(f.OKBtn->isEnabled());
    EXPECT_EQ(f.DriveList->selectedItems().size(), 1);
    f.DriveList->setCurrentRow(-1);
    f.DriveList->clearSelection();
    EXPECT_FALSE(f.OKBtn->isEnabled());
    Click(f, 1);
    EXPECT_TRUE(f.OKBtn->isEnabled());
    f.OKBtn->click();
    EXPECT_EQ(f.DriveName(), QStringLiteral("/dev/sr0"));
}

TEST(DriveSel, DoubleClickAcceptsAtOnceAndTheDefaultStoresNothing)
{
    TDriveSelForm f({QStringLiteral("/dev/sr0")}, QStringLiteral("/dev/sr0"));
    f.show();
    Click(f, 0, true);
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(f.DriveName().isEmpty());
}

TEST(DriveSel, ClosingIsCancelAndKeepsTheName)
{
    TDriveSelForm f({QStringLiteral("/dev/sr0")}, QStringLiteral("/dev/sr0"));
    f.show();
    Click(f, 0);
    f.close();
    EXPECT_EQ(f.result(), QDialog::Rejected);
    EXPECT_EQ(f.DriveName(), QStringLiteral("/dev/sr0"));
}

TEST(DriveSel, AnImageFileIsAVirtualDrive)
{
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("disc.cue"));
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    TDriveSelForm f({QStringLiteral("/dev/sr0")}, QString());
    f.show();
    int asked = 0;
    QString answer; // the user cancels the file dialog first
    f.ChooseImage = [&](QWidget*) {
        ++asked;
        return answer;
    };
    const int imageRow = f.DriveList->count() - 1;
    Click(f, imageRow);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(f.DriveList->currentRow(), 0); // back where it was

    answer = image;
    Click(f, imageRow);
    EXPECT_EQ(f.DriveList->currentItem()->text(), image);
    f.OKBtn->click();
    EXPECT_EQ(f.DriveName(), image);

    // The next time, the chosen image is listed and selected.
    TDriveSelForm again({QStringLiteral("/dev/sr0")}, image);
    EXPECT_EQ(again.DriveList->currentItem()->text(), image);

    // Reached by the keyboard, the image entry asks for its file on Enter and on OK; a
    // cancelled file dialog leaves the drive selection open.
    TDriveSelForm keys({QStringLiteral("/dev/sr0")}, QString());
    keys.ChooseImage = f.ChooseImage;
    keys.show();
    QApplication::setActiveWindow(&keys);
    keys.DriveList->setFocus();
    answer.clear();
    QTest::keyClick(keys.DriveList, Qt::Key_End);
    QTest::keyClick(keys.DriveList, Qt::Key_Return);
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(keys.isVisible());
    EXPECT_EQ(keys.result(), QDialog::Rejected);
    answer = image;
    QTest::keyClick(keys.DriveList, Qt::Key_End);
    keys.OKBtn->click();
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(keys.result(), QDialog::Accepted);
    EXPECT_EQ(keys.DriveName(), image);
}

TEST(MessageOwner, NoOwnerWhileTheDriveSelectionIsActive)
{
    TDriveSelForm f({}, QString());
    f.show();
    QApplication::setActiveWindow(&f);
    EXPECT_EQ(MessageOwner(), nullptr);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    EXPECT_EQ(MessageOwner(), &other);
}

TEST(DriveSel, ALongImagePathIsShownWholeOrWithItsMiddleLeftOutNeverBehindAScrollBar)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(
        QStringLiteral("ミュージック/アーティストの名前がとても長いフォルダ/アルバム (2024 リマスター盤)"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString image = folder + QStringLiteral("/ディスク 1 - 長い長いアルバムの名前.cue");
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString shortImage = dir.filePath(QStringLiteral("a.cue"));
    QFile::copy(image, shortImage);

    for (const QString& chosen : {shortImage, image}) {
        SCOPED_TRACE(chosen.toStdString());
        TDriveSelForm f({QStringLiteral("/dev/sr0")}, QString());
        f.ChooseImage = [&](QWidget*) { return chosen; };
        f.show();
        const int before = f.width();
        Click(f, f.DriveList->count() - 1);
        QListWidgetItem* item = f.DriveList->currentItem();
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->toolTip(), chosen);
        EXPECT_GE(f.width(), before);
        // The whole entry fits the list: no scroll bar hides a part of it.
        EXPECT_FALSE(f.DriveList->horizontalScrollBar()->isVisible());
        EXPECT_LE(f.DriveList->fontMetrics().horizontalAdvance(item->text()), f.DriveList->viewport()->width());
        if (chosen == shortImage) {
            EXPECT_EQ(item->text(), chosen);
        } else {
            // Too long even for the widest dialog: the start and the file name show.
            EXPECT_TRUE(item->text().contains(QChar(0x2026))) << item->text().toStdString();
            EXPECT_TRUE(item->text().endsWith(QStringLiteral(".cue")));
            EXPECT_TRUE(item->text().startsWith(dir.path().left(4)));
        }
        f.OKBtn->click();
        EXPECT_EQ(f.DriveName(), chosen);
    }
}
