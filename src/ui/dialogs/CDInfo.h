#pragma once
// "CDのプロパティ": the disc in the drive at a glance. Title, artist, number of tracks,
// total playing time, kind of disc, every track with its length, and the time the disc
// has been played so far, which the user can reset. Read from the disc data object
// each time it is shown, unsaved edits included.
#include <QLabel>
#include <QStyledItemDelegate>
#include <functional>

#include "LazyDialog.h"

class QAction;
class QListWidget;
class QPushButton;
class TWords;
class WindowStack;

// MTitleList's rows: "NN: title" on the left and the track's length right-aligned over
// the end of a long title, behind a blank of the row's background.
class TrackRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int LengthRole = Qt::UserRole; // milliseconds

    // The two texts of row index: the numbered title and the length with its leading blank.
    static QString TitleText(const QModelIndex& index);
    static QString LengthText(const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// A text of any length in a place of fixed width (the title, the artist): what does not
// fit ends in "…" instead of being cut off at the next control; the label's hint shows
// it whole. text() stays the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The text as drawn.
    QString ShownText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TCDInfoForm : public LazyDialog {
    Q_OBJECT
public:
    // The controls are made when it is first shown.
    TCDInfoForm(TWords& words, WindowStack& windows, QWidget* parent = nullptr);

    QLabel* TitleLabel = nullptr;
    ElidedLabel* TitleText = nullptr;
    QLabel* ArtistLabel = nullptr;
    ElidedLabel* ArtistText = nullptr;
    QLabel* TracksText = nullptr;
    QLabel* TotalTimeText = nullptr;
    QLabel* CDTypeText = nullptr;
    QLabel* MTitleLabel = nullptr;
    QListWidget* MTitleList = nullptr;
    QLabel* PlayTimeLabel = nullptr;
    QLabel* PlayTimeText = nullptr;
    QPushButton* ResetTimeBtn = nullptr;
    QPushButton* LrcSaveBtn = nullptr; // its menu: the selected track, or every track with lyrics
    QAction* LrcTrackSaveItem = nullptr;
    QAction* LrcDiscSaveItem = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    // Ask where to write: a file for one track (proposal: a path), a folder for all.
    // Empty when the user cancelled. Tests answer them.
    std::function<QString(QWidget* owner, const QString& proposal)> ChooseLrcFile;
    std::function<QString(QWidget* owner, const QString& folder)> ChooseLrcFolder;

    void FormShow();
    // The accumulated play time; the tick calls it while the dialog is shown.
    void ShowPlayTime();
    void ResetTimeBtnClick();
    void HelpBtnClick();
    // The LRC export (CDInfoLrc.cpp).
    void UpdateLrcItems();
    void LrcTrackSaveItemClick();
    void LrcDiscSaveItemClick();

protected:
    void showEvent(QShowEvent* event) override;
    void buildControls() override;

private:
    void initLrcExport();
    void buildLrcExport();
    int selectedTrack() const;
    bool writeLrc(const QString& path, int track);

    TWords& words;
    WindowStack& windows;
    QString lrcFolder; // where the last LRC export went
};
