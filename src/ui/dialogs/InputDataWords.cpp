// The lyrics page of the data-entry dialog: one memo line per lyrics line, the copy
// source, and the import of a text file or of an LRC file with its times.
#include "InputData.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

#include "core/common/Defines.h"
#include "core/common/Error.h"
#include "core/common/Etc.h"
#include "core/discdata/Lrc.h"
#include "core/discdata/Words.h"
#include "core/entry/DataEntry.h"
#include "core/playback/PlaybackController.h"
#include "ui/main/WindowStack.h"

QWidget* TInputDataForm::buildWordsSheet()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("WordsSheet"));
    MTitleBoxW = new QComboBox(page);
    MTitleBoxW->setObjectName(QStringLiteral("MTitleBoxW"));
    MTitleBoxW->setMaxVisibleItems(15);
    WordsEdit = new QPlainTextEdit(page);
    WordsEdit->setObjectName(QStringLiteral("WordsEdit"));
    WordsEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    WordsEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    WordsEdit->setTabChangesFocus(true);
    WordsLabel = new QLabel(QStringLiteral("歌詞(&W):"), page);
    WordsLabel->setObjectName(QStringLiteral("WordsLabel"));
    WordsLabel->setBuddy(WordsEdit);
    CopyTrack = new QComboBox(page);
    CopyTrack->setObjectName(QStringLiteral("CopyTrack"));
    FileReadBtn = new QPushButton(QStringLiteral("ファイル読込(&R)..."), page);
    FileReadBtn->setObjectName(QStringLiteral("FileReadBtn"));
    LrcReadBtn = new QPushButton(QStringLiteral("LRC読込(&I)..."), page);
    LrcReadBtn->setObjectName(QStringLiteral("LrcReadBtn"));

    auto* trackLabel = new QLabel(QStringLiteral("トラック(&T):"), page);
    trackLabel->setBuddy(MTitleBoxW);
    auto* copyLabel = new QLabel(QStringLiteral("コピー元トラック(&C):"), page);
    copyLabel->setBuddy(CopyTrack);
    LookUpWordsBtn = new QPushButton(QStringLiteral("歌詞を検索(&S)"), page);
    LookUpWordsBtn->setObjectName(QStringLiteral("LookUpWordsBtn"));
    LookUpAllWordsBtn = new QPushButton(QStringLiteral("歌詞のない全曲を検索(&E)"), page);
    LookUpAllWordsBtn->setObjectName(QStringLiteral("LookUpAllWordsBtn"));
    auto* top = new QHBoxLayout;
    top->addWidget(trackLabel);
    top->addWidget(MTitleBoxW, 1);
    top->addWidget(LookUpWordsBtn);
    top->addWidget(LookUpAllWordsBtn);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(copyLabel);
    bottom->addWidget(CopyTrack);
    bottom->addStretch();
    bottom->addWidget(FileReadBtn);
    bottom->addWidget(LrcReadBtn);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(WordsLabel);
    layout->addWidget(WordsEdit, 1);
    layout->addLayout(bottom);

    connect(MTitleBoxW, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling) MTitleBoxWChange();
    });
    connect(CopyTrack, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling) CopyTrackChange();
    });
    connect(FileReadBtn, &QPushButton::clicked, this, &TInputDataForm::FileReadBtnClick);
    connect(LrcReadBtn, &QPushButton::clicked, this, &TInputDataForm::LrcReadBtnClick);
    connect(LookUpWordsBtn, &QPushButton::clicked, this, &TInputDataForm::LookUpWordsBtnClick);
    connect(LookUpAllWordsBtn, &QPushButton::clicked, this, &TInputDataForm::LookUpAllWordsBtnClick);
    WordsEdit->installEventFilter(this);
    return page;
}

void TInputDataForm::trackBoxChange(QComboBox* box)
{
    // Lyrics typed into the memo are stored first; above the limit the memo stays.
    if (WordsEdit->document()->isModified() && !WordsEditExit()) {
        filling = true;
        box->setCurrentIndex(IndexOfTrack(wordsTrack));
        filling = false;
        return;
    }
    // The lyrics and timing pages always show the same track.
    const int index = box->currentIndex();
    filling = true;
    MTitleBoxW->setCurrentIndex(index);
    MTitleBoxT->setCurrentIndex(index);
    filling = false;
    const int track = TrackOfIndex(index);
    SetWordsEdit(track);
    SetTimingList(track);
}

void TInputDataForm::MTitleBoxWChange() { trackBoxChange(MTitleBoxW); }

void TInputDataForm::SetWordsEdit(int track)
{
    wordsTrack = track;
    QStringList lines;
    for (int k = 1; k <= words.GetLineCount(track); ++k) lines << words.GetLine(track, k).Text;
    const bool was = filling;
    filling = true;
    WordsEdit->setPlainText(MemoText(lines));
    WordsEdit->document()->setModified(false);
    CopyTrack->clear();
    CopyTrack->addItem(QStringLiteral("(なし)"), 0);
    int selected = 0;
    for (int source : CopySources(words, track)) {
        CopyTrack->addItem(FormatZeroPad(source, 2), source);
        if (source == words.GetCopyTrack(track)) selected = CopyTrack->count() - 1;
    }
    CopyTrack->setCurrentIndex(selected);
    filling = was;
    // The lyrics of a borrowing track are its source's; while lyrics are looked up the
    // memo waits for them, so that nothing typed meanwhile is replaced by the answer.
    const bool own = selected == 0 && !lookingUpWords;
    WordsEdit->setEnabled(own);
    WordsLabel->setEnabled(own);
    FileReadBtn->setEnabled(own);
    LrcReadBtn->setEnabled(own);
    CopyTrack->setEnabled(!lookingUpWords);
}

bool TInputDataForm::WordsEditExit()
{
    const QStringList lines = MemoLines(WordsEdit->toPlainText());
    if (const int mark = EndMarkLine(lines); mark > 0 && lines.size() <= kMaxLines) {
        ErrorMessage(QString::asprintf("%d 行目: 「***」だけの行は歌詞の終わりの印になるため入力できません。", mark),
                     QStringLiteral("歌詞入力エラー"));
        QTextCursor cursor(WordsEdit->document()->findBlockByNumber(mark - 1));
        WordsEdit->setTextCursor(cursor);
        WordsEdit->setFocus();
        return false;
    }
    std::vector<int> moved;
    if (!StoreLyrics(words, wordsTrack, lines, &moved)) {
        ErrorMessage(QStringLiteral("歌詞は最大127行までしか入力できません。"), QStringLiteral("歌詞行数オーバー"));
        WordsEdit->setFocus();
        return false;
    }
    WordsEdit->document()->setModified(false);
    // The timing page's undo follows the lines to where they went.
    Capture.LinesMoved(wordsTrack, moved);
    SetTimingList(wordsTrack);
    return true;
}

void TInputDataForm::CopyTrackChange()
{
    const int track = wordsTrack;
    SetCopySource(words, track, CopyTrack->currentData().toInt());
    SetWordsEdit(track);
    SetTimingList(track);
}

void TInputDataForm::FileReadBtnClick()
{
    QString path;
    {
        const WindowStack::Hold hold(windows);
        path = QFileDialog::getOpenFileName(this, QString(), QString(),
                                            QStringLiteral("テキスト ファイル (*.txt);;すべてのファイル (*)"));
    }
    if (!path.isEmpty()) ReadWordsFile(path);
}

void TInputDataForm::ReadWordsFile(const QString& path)
{
    const std::optional<ImportedLyrics> read = ReadLyricsFile(path);
    if (!read) return; // the memo and the lyrics stay as they were
    WordsEdit->setPlainText(MemoText(read->Lines));
    WordsEdit->document()->setModified(true);
    // The line limit applies to a file as it does to typing.
    WordsEditExit();
    const QStringList notes = ImportNotes(*read, nullptr);
    if (!notes.isEmpty())
        CurrentMessagePresenter()->Show(notes.join(QLatin1Char('\n')), QStringLiteral("歌詞の読み込み"),
                                        MbTaskModal | MbIconWarning | MbOk);
}

void TInputDataForm::LrcReadBtnClick()
{
    QString path;
    {
        const WindowStack::Hold hold(windows);
        path = QFileDialog::getOpenFileName(this, QString(), QString(),
                                            QStringLiteral("LRC ファイル (*.lrc);;すべてのファイル (*)"));
    }
    if (!path.isEmpty()) ReadLrcFile(path);
}

void TInputDataForm::ReadLrcFile(const QString& path)
{
    const std::optional<ImportedLyrics> read = ReadLyricsFile(path);
    if (!read) return; // the lyrics stay as they were
    const int track = wordsTrack;
    const LrcLyrics lyrics = ReadLrc(read->Lines, words.SongLength(track) / 10);
    if (lyrics.Lines.empty()) {
        ErrorMessage(QStringLiteral("ファイル '") + path + QStringLiteral("' には時刻の付いた歌詞がありません。"),
                     QStringLiteral("LRC読込エラー"));
        return;
    }
    // Times and the adjust value reach the track at once, as stamps on the timing page do.
    StoreLrc(words, track, lyrics);
    // A track without a title takes the file's, so that nothing has to be typed twice.
    const int row = IndexOfTrack(track);
    QListWidgetItem* item = MTitleList->item(row);
    if (item && item->text().mid(4).isEmpty() && !lyrics.Title.isEmpty()) {
        item->setText(FormatNumbered(track, lyrics.Title));
        RefreshTrackBoxes();
        if (titleRow == row) MTitleName->setText(lyrics.Title);
    }
    SetWordsEdit(track);
    SetTimingList(track);
    const QStringList notes = ImportNotes(*read, &lyrics);
    if (!notes.isEmpty())
        CurrentMessagePresenter()->Show(notes.join(QLatin1Char('\n')),
                                        lyrics.Dropped > 0 ? QStringLiteral("歌詞行数オーバー")
                                                           : QStringLiteral("LRC読込"),
                                        MbTaskModal | MbIconWarning | MbOk);
}
